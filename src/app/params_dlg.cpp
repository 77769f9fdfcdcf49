// The parameters dialog's data exchange.
#include "app/params_dlg.h"

#include "resources/resource_ids.h"

CParamsDlg::CParamsDlg(platform::Window* parent) : platform::Dialog(IDD_PARAMS, parent) {}

void CParamsDlg::DoDataExchange(platform::DataExchange* dx) {
    platform::Dialog::DoDataExchange(dx);
    platform::DDX_Text(dx, IDC_COMMAND_LINE, m_strCommandLine);
    platform::DDV_MaxChars(dx, m_strCommandLine, kMaxCommandLine);
}
