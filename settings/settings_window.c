/* The settings window's dialog procedure: one small handler per message,
   over the one record of what the window shows. */
#include "settings_window.h"
#include "settings_icon.h"
#include "settings_ids.h"
#include "settings_state.h"

#include <dbt.h>

typedef struct EventControls {
    int choice;
    int command;
    int program;
} EventControls;

static const EventControls g_Controls[EVENT_COUNT] = {
    { IDC_SNAP_CHOICE, IDC_SNAP_COMMAND, IDC_SNAP_PROGRAM },
    { IDC_PICTURE_CHOICE, IDC_PICTURE_COMMAND, IDC_PICTURE_PROGRAM },
};

typedef struct SettingsWindow {
    HWND dialog;
    HDEVNOTIFY notify;   /* image-class arrivals and removals; NULL when none */
    SettingsState state; /* as the registry holds it now */
} SettingsWindow;

static SettingsWindow g_Settings;

static HWND Control(int id)
{
    return GetDlgItem(g_Settings.dialog, id);
}

static HWND Choice(CameraEvent event)
{
    return Control(g_Controls[event].choice);
}

static LPARAM SelectedItem(CameraEvent event)
{
    LRESULT index = SendMessageA(Choice(event), CB_GETCURSEL, 0, 0);

    if (index == CB_ERR)
        return ITEM_DEFAULT;
    return (LPARAM)SendMessageA(Choice(event), CB_GETITEMDATA, (WPARAM)index, 0);
}

static void AddItem(HWND combo, const char *text, LPARAM data)
{
    LRESULT index = SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)text);

    if (index >= 0)
        SendMessageA(combo, CB_SETITEMDATA, (WPARAM)index, data);
}

static void SelectItem(HWND combo, LPARAM data)
{
    LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    LRESULT index;

    for (index = 0; index < count; index++) {
        if ((LPARAM)SendMessageA(combo, CB_GETITEMDATA, (WPARAM)index, 0) == data) {
            SendMessageA(combo, CB_SETCURSEL, (WPARAM)index, 0);
            return;
        }
    }
}

/* The default, every registered application and, when the event names
   one that is not registered, that name; what the monitor cannot use says
   so. */
static void FillChoices(CameraEvent event, LPARAM selected)
{
    const RegisteredApplication *app;
    HWND combo = Choice(event);
    char text[2 * MAX_PATH];
    DWORD i;

    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    wsprintfA(text, "Default program (%s)", EventTable[event].defaultCommand);
    AddItem(combo, text, ITEM_DEFAULT);
    for (i = 0; i < g_Settings.state.apps.count; i++) {
        app = &g_Settings.state.apps.items[i];
        if (app->commandTooLong)
            wsprintfA(text, "%s (its command is too long: the default program starts)",
                      app->name);
        else
            lstrcpyA(text, app->name);
        AddItem(combo, text, (LPARAM)i);
    }
    if (SavedItem(&g_Settings.state, event) == ITEM_UNUSABLE) {
        wsprintfA(text, "%s (not registered: the default program starts)",
                  g_Settings.state.camera.events[event].application);
        AddItem(combo, text, ITEM_UNUSABLE);
    }
    SelectItem(combo, selected);
}

/* What each event starts now, and would start after Apply. */
static const char *const g_StartsNow[EVENT_COUNT] = {
    "A press starts now: %s", "A new picture starts now: %s"
};
static const char *const g_StartsAfterApply[EVENT_COUNT] = {
    "After Apply, a press starts: %s", "After Apply, a new picture starts: %s"
};

/* Under the drop-down: what the event starts with this choice, and whether
   its program is found. */
static void ShowChoice(CameraEvent event)
{
    char command[MAX_PATH];
    char words[SAY_LINE];
    char line[SAY_LINE];

    if (ItemCommand(&g_Settings.state, event, SelectedItem(event), command))
        wsprintfA(line, g_StartsNow[event], command);
    else
        wsprintfA(line, g_StartsAfterApply[event], command);
    SetDlgItemTextA(g_Settings.dialog, g_Controls[event].command, line);
    DescribeProgram(command, words);
    SetDlgItemTextA(g_Settings.dialog, g_Controls[event].program, words);
}

static int SomethingChanged(void)
{
    return SelectedItem(SnapButton) != SavedItem(&g_Settings.state, SnapButton) ||
           SelectedItem(NewPicture) != SavedItem(&g_Settings.state, NewPicture);
}

static void UpdateApply(void)
{
    HWND apply = Control(IDC_APPLY);

    /* A disabled button cannot keep the focus: hand it to OK first. */
    if (!SomethingChanged() && GetFocus() == apply)
        SendMessageA(g_Settings.dialog, WM_NEXTDLGCTL, (WPARAM)Control(IDOK), TRUE);
    EnableWindow(apply, SomethingChanged());
}

static void ShowState(void)
{
    const SettingsState *state = &g_Settings.state;
    const char *why = WhyNotWritable(state);
    char line[SAY_LINE];
    int event;

    if (state->monitorPid != 0)
        wsprintfA(line, "The monitor is running (process %lu).", (unsigned long)state->monitorPid);
    else
        lstrcpyA(line, "The monitor is not running: nothing starts until it does.");
    SetDlgItemTextA(g_Settings.dialog, IDC_MONITOR_STATE, line);

    /* By the name people know it by, its path beneath; else by its path. */
    if (!state->camera.camera.present)
        lstrcpyA(line, "No camera is present.");
    else
        wsprintfA(line, "Camera: %s", state->camera.camera.name[0] != '\0'
                                          ? state->camera.camera.name
                                          : state->camera.camera.path);
    SetDlgItemTextA(g_Settings.dialog, IDC_CAMERA_STATE, line);
    SetDlgItemTextA(g_Settings.dialog, IDC_CAMERA_PATH,
                    state->camera.camera.name[0] != '\0' ? state->camera.camera.path : "");

    for (event = 0; event < EVENT_COUNT; event++)
        EnableWindow(Choice((CameraEvent)event), ChoicesWritable(state));
    SetDlgItemTextA(g_Settings.dialog, IDC_MESSAGE, why != NULL ? why : "");
}

/* Fills each drop-down from the state, with these items chosen. */
static void ShowChoices(const LPARAM items[EVENT_COUNT])
{
    int event;

    for (event = 0; event < EVENT_COUNT; event++) {
        FillChoices((CameraEvent)event, items[event]);
        ShowChoice((CameraEvent)event);
    }
}

/* The selections become what the registry holds. */
static void ShowSaved(void)
{
    LPARAM items[EVENT_COUNT];
    int event;

    for (event = 0; event < EVENT_COUNT; event++)
        items[event] = SavedItem(&g_Settings.state, (CameraEvent)event);
    ShowChoices(items);
    ShowState();
    UpdateApply();
}

/* Reads everything anew; the selections become what the registry holds. */
static void Reload(void)
{
    ReadSettingsState(&g_Settings.state);
    ShowSaved();
}

/* After an application was added: the list anew, each selection kept. */
static void ReloadApplications(void)
{
    char names[EVENT_COUNT][MAX_PATH];
    LPARAM items[EVENT_COUNT];
    const RegisteredApplication *app;
    int event;

    for (event = 0; event < EVENT_COUNT; event++) {
        items[event] = SelectedItem((CameraEvent)event);
        app = ItemApplication(&g_Settings.state, items[event]);
        lstrcpyA(names[event], app != NULL ? app->name : "");
    }
    ReadApplications(&g_Settings.state);
    for (event = 0; event < EVENT_COUNT; event++) {
        if (names[event][0] != '\0')
            items[event] = ItemNamed(&g_Settings.state, names[event],
                                     SavedItem(&g_Settings.state, (CameraEvent)event));
    }
    ShowChoices(items);
    UpdateApply();
}

/* Writes each changed event. Returns 1 when everything that changed was
   written; otherwise the registry is as it was and the window says why. */
static int ApplyChanges(void)
{
    LPARAM chosen[EVENT_COUNT];
    char message[SAY_LINE];
    int event;

    for (event = 0; event < EVENT_COUNT; event++)
        chosen[event] = SelectedItem((CameraEvent)event);
    if (!ApplyChoices(&g_Settings.state, chosen, message)) {
        SetDlgItemTextA(g_Settings.dialog, IDC_MESSAGE, message);
        return 0;
    }
    ShowSaved();
    if (message[0] != '\0')
        SetDlgItemTextA(g_Settings.dialog, IDC_MESSAGE, message);
    return 1;
}

/* The camera may come or go while the window is open: the window follows
   it as the monitor does, from the image class's notifications. */
static void WatchCamera(void)
{
    DeviceMonitor record;

    InitDeviceMonitor(&record);
    g_Settings.notify = WatchInterfaceClass(g_Settings.dialog, &record.classGuid);
}

static INT_PTR OnInitDialog(HWND dialog)
{
    g_Settings.dialog = dialog;
    ShowWindowIcons(dialog);
    WatchCamera();
    Reload();
    /* The dialog manager puts the focus on the first control that takes it. */
    return TRUE;
}

static INT_PTR OnChoiceChanged(CameraEvent event)
{
    ShowChoice(event);
    UpdateApply();
    SetDlgItemTextA(g_Settings.dialog, IDC_MESSAGE, "");
    return TRUE;
}

static INT_PTR OnAddProgram(void)
{
    char name[MAX_PATH];
    char line[SAY_LINE];

    if (AddProgram(g_Settings.dialog, name)) {
        ReloadApplications();
        wsprintfA(line, "\"%s\" is registered: it can now be chosen for either event.", name);
        SetDlgItemTextA(g_Settings.dialog, IDC_MESSAGE, line);
    }
    return TRUE;
}

static INT_PTR OnApply(void)
{
    ApplyChanges();
    UpdateApply();
    return TRUE;
}

static INT_PTR OnOk(void)
{
    if (ApplyChanges())
        EndDialog(g_Settings.dialog, IDOK);
    return TRUE;
}

static INT_PTR OnCancel(void)
{
    EndDialog(g_Settings.dialog, IDCANCEL);
    return TRUE;
}

/* What was chosen and not applied is dropped: it was for another camera,
   or could not be made without one. */
static INT_PTR OnDeviceChange(WPARAM change)
{
    if (change == DBT_DEVICEARRIVAL || change == DBT_DEVICEREMOVECOMPLETE)
        Reload();
    /* The default handling answers queries. */
    return FALSE;
}

static INT_PTR OnDestroy(void)
{
    if (g_Settings.notify != NULL)
        UnregisterDeviceNotification(g_Settings.notify);
    g_Settings.notify = NULL;
    FreeSettingsState(&g_Settings.state);
    ReleaseWindowIcons();
    return FALSE;
}

static INT_PTR OnCommand(WORD id, WORD code)
{
    switch (id) {
    case IDOK:
        return OnOk();
    case IDCANCEL:
        return OnCancel();
    case IDC_APPLY:
        return OnApply();
    case IDC_ADD_PROGRAM:
        return OnAddProgram();
    case IDC_SNAP_CHOICE:
        return code == CBN_SELCHANGE ? OnChoiceChanged(SnapButton) : FALSE;
    case IDC_PICTURE_CHOICE:
        return code == CBN_SELCHANGE ? OnChoiceChanged(NewPicture) : FALSE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_DEVICECHANGE:
        return OnDeviceChange(wParam);
    case WM_DPICHANGED:
        return OnDpiChanged(dialog, wParam);
    case WM_DESTROY:
        return OnDestroy();
    default:
        return FALSE;
    }
}
