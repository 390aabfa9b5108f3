/* "Add Program...": the standard Open dialog for an .exe, then a small
   dialog where the user confirms the name (the file's name by default) and
   the command line, registered as "hxmonctl register" registers it. */
#include "settings_window.h"
#include "settings_ids.h"
#include "settings_state.h"
#include "exit_codes.h"
#include "register.h"

#include <commdlg.h>

#define ADD_TITLE "Add Program"

typedef struct AddRequest {
    HWND dialog;
    char name[MAX_PATH];
    char command[MAX_PATH];
    Report report;
} AddRequest;

static AddRequest g_Add;

static int ChooseProgramFile(HWND owner, char *path)
{
    char programFiles[MAX_PATH];
    OPENFILENAMEA open;
    DWORD length;

    ZeroMemory(&open, sizeof(open));
    open.lStructSize = sizeof(open);
    open.hwndOwner = owner;
    open.lpstrFilter = "Programs (*.exe)\0*.exe\0";
    open.lpstrFile = path;
    open.nMaxFile = MAX_PATH;
    open.lpstrTitle = ADD_TITLE;
    open.lpstrDefExt = "exe";
    /* Programs are installed there; the dialog starts there. */
    length = GetEnvironmentVariableA("ProgramFiles", programFiles, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        open.lpstrInitialDir = programFiles;
    /* NOCHANGEDIR: the process keeps its current directory, so that it
       does not hold on to the folder the user browsed to. */
    open.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                 OFN_DONTADDTORECENT;
    path[0] = '\0';
    return GetOpenFileNameA(&open);
}

/* The file's name without its folder or ".exe"; the path as a command
   line, quoted as "register" quotes it, so that process creation does not
   stop at a blank. */
static void ProposeRegistration(const char *path)
{
    const char *file = path;
    const char *at;
    int length;

    for (at = path; *at; at++) {
        if (*at == '\\' || *at == '/')
            file = at + 1;
    }
    lstrcpynA(g_Add.name, file, MAX_PATH);
    length = lstrlenA(g_Add.name);
    if (length > 4 && lstrcmpiA(g_Add.name + length - 4, ".exe") == 0)
        g_Add.name[length - 4] = '\0';

    if (lstrlenA(path) + 2 < MAX_PATH)
        QuoteProgram(path, path, g_Add.command);
    else
        lstrcpynA(g_Add.command, path, MAX_PATH);
}

static INT_PTR OnAddInitDialog(HWND dialog)
{
    g_Add.dialog = dialog;
    SendDlgItemMessageA(dialog, IDC_ADD_NAME, EM_LIMITTEXT, MAX_PATH - 1, 0);
    SendDlgItemMessageA(dialog, IDC_ADD_COMMAND, EM_LIMITTEXT, MAX_PATH - 1, 0);
    SetDlgItemTextA(dialog, IDC_ADD_NAME, g_Add.name);
    SetDlgItemTextA(dialog, IDC_ADD_COMMAND, g_Add.command);
    return TRUE;
}

/* A program that process creation would not find is registered only when
   the user says so; "register" itself refuses it otherwise. */
static int AskAnyway(void)
{
    char words[SAY_LINE];
    char question[SAY_LINE + 64];

    if (DescribeProgram(g_Add.command, words))
        return 0;
    wsprintfA(question, "%s\n\nRegister it anyway?", words);
    return MessageBoxA(g_Add.dialog, question, ADD_TITLE,
                       MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION) == IDYES
               ? 1
               : -1;
}

/* Registers; a refusal is shown and the dialog stays for a correction. */
static INT_PTR OnAddOk(void)
{
    int anyway;

    GetDlgItemTextA(g_Add.dialog, IDC_ADD_NAME, g_Add.name, MAX_PATH);
    GetDlgItemTextA(g_Add.dialog, IDC_ADD_COMMAND, g_Add.command, MAX_PATH);
    anyway = AskAnyway();
    if (anyway < 0)
        return TRUE;
    ClearReport(&g_Add.report);
    if (RegisterCommandLine(&g_Add.report, g_Add.name, g_Add.command, anyway) != CHOICE_DONE) {
        MessageBoxA(g_Add.dialog, g_Add.report.text, ADD_TITLE, MB_OK | MB_ICONEXCLAMATION);
        SendMessageA(g_Add.dialog, WM_NEXTDLGCTL,
                     (WPARAM)GetDlgItem(g_Add.dialog, IDC_ADD_NAME), TRUE);
        return TRUE;
    }
    EndDialog(g_Add.dialog, IDOK);
    return TRUE;
}

static INT_PTR OnAddCancel(void)
{
    EndDialog(g_Add.dialog, IDCANCEL);
    return TRUE;
}

static INT_PTR CALLBACK AddProgramDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                             LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        return OnAddInitDialog(dialog);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            return OnAddOk();
        case IDCANCEL:
            return OnAddCancel();
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

int AddProgram(HWND owner, char *name)
{
    char path[MAX_PATH];

    if (!ChooseProgramFile(owner, path))
        return 0;
    ProposeRegistration(path);
    if (DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_ADD_PROGRAM), owner,
                        AddProgramDialogProc, 0) != IDOK)
        return 0;
    lstrcpyA(name, g_Add.name);
    return 1;
}
