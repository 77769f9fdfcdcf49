// The parameters dialog: asks for the command line when the program was started without one.
#pragma once

#include <string>

#include "platform/qt/dialog.h"

class CParamsDlg : public platform::Dialog {
public:
    static constexpr int kMaxCommandLine = 80;

    explicit CParamsDlg(platform::Window* parent = nullptr);

    // The text typed into the edit field; starts empty.
    std::string m_strCommandLine;

    void DoDataExchange(platform::DataExchange* dx) override;
};
