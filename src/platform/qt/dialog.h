// Dialogs made from templates: modal (DoModal, a nested event loop ended by EndDialog) and
// modeless child dialogs (Create), the dialog's keyboard handling, and dialog data exchange.
//
// DoModal: finds the template (-1 when there is none), makes the window hidden, sends WM_CREATE
// (OnCreate answering -1 ends DoModal with -1 at once), makes the controls with the template's
// font, sends WM_INITDIALOG (OnInitDialog; TRUE gives the focus to the first control with
// WS_TABSTOP), then shows the window, blocks input to its owner and runs a nested event loop
// until EndDialog. If EndDialog is called during creation or initialisation the window is never
// shown. The window is destroyed before DoModal returns the EndDialog result. The owner is the
// parent given to the constructor, else the application's main window (when that is not the
// dialog itself). A template at position (0, 0) or with DS_CENTER is centred on the owner
// (without an owner on the work area); otherwise it is placed at its position in the owner's
// client area.
//
// Fonts: the template's font ("MS Sans Serif" 8, drawn with Liberation Sans at 11 pixels, whose
// widths come closest to the face the templates were laid out for) may still be a little wider
// than the template allows; a check box whose text does not fit grows to
// the right as far as its text needs and the space is free (up to the next control beside it or
// the client area's edge).
//
// Keys: Esc sends WM_COMMAND IDCANCEL, Enter sends WM_COMMAND with the id of the focused push
// button, else the default push button (BS_DEFPUSHBUTTON or SetDefID), else IDOK. The default
// OnOK exchanges data (UpdateData(TRUE)) and ends the dialog with IDOK when that succeeds;
// OnCancel ends it with IDCANCEL. WM_CLOSE (the close button, Alt+F4, the system menu's Close)
// sends IDCANCEL too. A child dialog (WS_CHILD) leaves Esc and Enter to the dialog it is in.
#pragma once

#include "platform/qt/window.h"

#include <string>

namespace platform {

class Dialog;

// One exchange between a dialog's controls and its fields.
class DataExchange {
public:
    DataExchange(Dialog* dialog, BOOL saveAndValidate);
    // The control with the id (it becomes the last control, which DDV checks refer to).
    Window* PrepareCtrl(int id);
    Window* PrepareEditCtrl(int id);
    // Ends the exchange as failed: focuses the last control and makes UpdateData answer FALSE.
    // Call it after the validation message was shown.
    [[noreturn]] void Fail();

    BOOL m_bSaveAndValidate;
    Dialog* m_pDlgWnd;
    int m_idLastControl = 0;
    bool m_bEditLastControl = false;
};

// Text of an edit field or any control (Windows-1252).
void DDX_Text(DataExchange* dx, int id, std::string& value);
// An integer in an edit field; a text that is not one shows "Please enter an integer." and
// fails.
void DDX_Text(DataExchange* dx, int id, int& value);
// The check state of a check box (0 or 1).
void DDX_Check(DataExchange* dx, int id, int& value);
// The checked radio button of a group: id is the group's first button (it has WS_GROUP), value
// the index of the checked one among the group's radio buttons in creation order, -1 for none.
// Loading checks that one and clears the others.
void DDX_Radio(DataExchange* dx, int id, int& value);
// The position of a scroll-bar control.
void DDX_Scroll(DataExchange* dx, int id, int& value);
// Loading limits the last edit field to maxChars characters; saving a longer value shows "Enter
// no more than %d characters." and fails.
void DDV_MaxChars(DataExchange* dx, const std::string& value, int maxChars);

class Dialog : public Window {
public:
    Dialog();
    explicit Dialog(UINT templateId, Window* parent = nullptr);
    ~Dialog() override;

    // See the file comment. Returns the EndDialog result, or -1 when the dialog could not be
    // made.
    virtual INT_PTR DoModal();
    // A modeless dialog (a child dialog when the template has WS_CHILD). FALSE when the template
    // is missing, creation fails or the dialog destroyed itself while initialising.
    BOOL Create(UINT templateId, Window* parent = nullptr);
    // Ends a modal dialog with the result (DoModal returns it); hides a modeless one.
    void EndDialog(int result);

    virtual BOOL OnInitDialog(); // UpdateData(FALSE); TRUE
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(DataExchange* dx);
    // FALSE when a DDX/DDV routine failed.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    // ---- Items ----
    void SetDlgItemText(int id, const char* text);
    std::string GetDlgItemText(int id) const;
    void CheckDlgButton(int id, UINT check);
    UINT IsDlgButtonChecked(int id) const;
    // Checks the button checkId and clears the other buttons with ids from firstId to lastId.
    void CheckRadioButton(int firstId, int lastId, int checkId);
    // The lowest id from firstId to lastId of a checked button, 0 when none is checked.
    int GetCheckedRadioButton(int firstId, int lastId) const;
    void GotoDlgCtrl(Window* control);
    // The default push button's id (IDOK when none was set and no button has BS_DEFPUSHBUTTON).
    UINT GetDefID() const;
    void SetDefID(UINT id);
    void MapDialogRect(Rect* rect) const;
    UINT templateId() const { return m_templateId; }
    // The template and the parent (owner) the next DoModal or Create uses.
    void setTemplateId(UINT id) { m_templateId = id; }
    void setParentWindow(Window* parent) { m_parent = parent; }
    Window* parentWindow() const { return m_parent; }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnClose() override;
    // The dialog's keyboard interface (Esc, Enter) before the default handling.
    void OnKeyDown(UINT key, UINT repeat, UINT flags) override;

private:
    BOOL createFromTemplate(Window* owner, bool modal);
    UINT m_templateId = 0;
    Window* m_parent = nullptr;
    UINT m_defId = 0;
    int m_result = 0;
    bool m_ended = false;
};

} // namespace platform
