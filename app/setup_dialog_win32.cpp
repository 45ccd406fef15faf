// setup_dialog_win32.cpp - the setup dialog's view on Windows: dialog resource 101 of
// resources/sublumen.rc (its controls, banner bitmap 103 and icon group 113), shown modally with
// DialogBoxParamA. The dialog procedure hands what the user does to the logic in
// setup_dialog.cpp; changes that logic makes through the controls are not reported back, since
// Win32 only notifies a combo box's selection change and a button's click when the user makes
// them. Enter is IDOK (1, "Play"), Escape IDCANCEL (2, "Quit"). This is the only file of the
// program that includes windows.h.
#include "app/setup_dialog.h"

#include "engine_api.h"

#include <windows.h>
#include <commctrl.h>

namespace {

constexpr int kDialogResource = 101;
constexpr int kIconResource = 113;
// How often the dialog looks for a console interruption (Ctrl+C), which arrives on a thread of
// its own: an interrupted program leaves the dialog as by "Quit".
constexpr UINT_PTR kInterruptTimer = 1;
constexpr UINT kInterruptPollMs = 50;

class Win32SetupView : public SetupDialogControls {
public:
    Win32SetupView(SetupDialog& d, HWND w) : dialog(d), window(w) {}

    void placeCentredOnTop() override;
    void present() override;
    void clearList(int list) override;
    void addListItem(int list, const std::string& text) override;
    void selectListItem(int list, int index) override;
    int getListSelection(int list) override;
    void setChecked(int box, bool checked) override;
    bool isChecked(int box) override;
    void setEnabled(int control, bool enabled) override;
    void endDialog() override;

    SetupDialog& dialog;
    HWND window;
};

void Win32SetupView::placeCentredOnTop()
{
    RECT desktop, own;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &own);
    int x = desktop.right / 2 - (own.right - own.left) / 2;
    int y = desktop.bottom / 2 - (own.bottom - own.top) / 2;
    SetWindowPos(window, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE);
}

void Win32SetupView::present()
{
    ShowWindow(window, SW_SHOW);
    SetActiveWindow(window);
    SetForegroundWindow(window);
    SetFocus(window);
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kIconResource));
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
}

void Win32SetupView::clearList(int list)
{
    SendDlgItemMessageA(window, list, CB_RESETCONTENT, 0, 0);
}

void Win32SetupView::addListItem(int list, const std::string& text)
{
    SendDlgItemMessageA(window, list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Win32SetupView::selectListItem(int list, int index)
{
    SendDlgItemMessageA(window, list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32SetupView::getListSelection(int list)
{
    return static_cast<int>(SendDlgItemMessageA(window, list, CB_GETCURSEL, 0, 0));
}

void Win32SetupView::setChecked(int box, bool checked)
{
    CheckDlgButton(window, box, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool Win32SetupView::isChecked(int box)
{
    return IsDlgButtonChecked(window, box) == BST_CHECKED;
}

void Win32SetupView::setEnabled(int control, bool enabled)
{
    EnableWindow(GetDlgItem(window, control), enabled ? TRUE : FALSE);
}

void Win32SetupView::endDialog()
{
    EndDialog(window, 0);
}

// Every message returns 0: the dialog manager does the rest.
INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* view = reinterpret_cast<Win32SetupView*>(GetWindowLongPtrA(window, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        InitCommonControls();
        auto* dialog = reinterpret_cast<SetupDialog*>(lParam);
        view = new Win32SetupView(*dialog, window);
        SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(view));
        dialog->initDialog(*view);
        SetTimer(window, kInterruptTimer, kInterruptPollMs, nullptr);
        break;
    }
    case WM_TIMER:
        if (view && wParam == kInterruptTimer && BRAVIK_LUMENVAT::rvkInterruptSignal() != 0) {
            KillTimer(window, kInterruptTimer);
            view->dialog.close(*view);
        }
        break;
    case WM_COMMAND:
        if (view) {
            int id = LOWORD(wParam);
            bool list = id == SETUP_RESOLUTION_LIST || id == SETUP_REFRESH_LIST || id == SETUP_ASPECT_LIST;
            SetupNotification notification =
                list && HIWORD(wParam) == CBN_SELCHANGE ? SETUP_SELECTION_CHANGED : SETUP_CLICKED;
            view->dialog.command(*view, id, notification);
        }
        break;
    case WM_CLOSE:
        if (view)
            view->dialog.close(*view);
        else
            EndDialog(window, 0);
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrA(window, DWLP_USER, 0);
        delete view;
        break;
    default:
        break;
    }
    return 0;
}

} // namespace

bool SetupDialog::run()
{
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kDialogResource), nullptr,
                                     dialogProcedure, reinterpret_cast<LPARAM>(this));
    return result != -1;
}
