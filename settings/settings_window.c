/* The settings window's dialog procedure: one small handler per message,
   over the one record of what the window shows. */
#include "settings_window.h"
#include "settings_icon.h"
#include "settings_ids.h"
#include "settings_state.h"

#include <dbt.h>

/* Item data of a drop-down's items besides the registered applications,
   whose item data is their index in the application list. */
#define ITEM_DEFAULT ((LPARAM)-1)
#define ITEM_UNUSABLE ((LPARAM)-2)

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
    Report report;       /* what the last write said */
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

static const EventChoice *Saved(CameraEvent event)
{
    return &g_Settings.state.camera.events[event];
}

static LPARAM ItemOf(const RegisteredApplication *app)
{
    return app != NULL ? (LPARAM)(app - g_Settings.state.apps.items) : ITEM_UNUSABLE;
}

/* The item that stands for what the registry holds now: an application
   whose command is too long is in the list; a name that is not is not. */
static LPARAM SavedItem(CameraEvent event)
{
    if (KindOfChoice(&g_Settings.state, event) == CHOICE_DEFAULT)
        return ITEM_DEFAULT;
    return ItemOf(FindApplication(&g_Settings.state.apps, Saved(event)->application));
}

static const RegisteredApplication *ItemApplication(LPARAM item)
{
    if (item < 0 || (DWORD)item >= g_Settings.state.apps.count)
        return NULL;
    return &g_Settings.state.apps.items[item];
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
    char command[MAX_PATH];
    char text[2 * MAX_PATH];
    DWORD i;

    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    DefaultCommand(event, command);
    wsprintfA(text, "Default program (%s)", command);
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
    if (SavedItem(event) == ITEM_UNUSABLE) {
        wsprintfA(text, "%s (not registered: the default program starts)",
                  Saved(event)->application);
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
    LPARAM item = SelectedItem(event);
    const RegisteredApplication *app = ItemApplication(item);
    char command[MAX_PATH];
    char words[SAY_LINE];
    char line[SAY_LINE];
    const char *start;

    if (item == SavedItem(event)) {
        lstrcpyA(command, Saved(event)->command);
        start = g_StartsNow[event];
    } else {
        /* An application whose command the monitor cannot read gets the
           default. */
        if (app != NULL && app->command[0] != '\0' && !app->commandTooLong)
            lstrcpyA(command, app->command);
        else
            DefaultCommand(event, command);
        start = g_StartsAfterApply[event];
    }
    wsprintfA(line, start, command);
    SetDlgItemTextA(g_Settings.dialog, g_Controls[event].command, line);
    DescribeProgram(command, words);
    SetDlgItemTextA(g_Settings.dialog, g_Controls[event].program, words);
}

static int SomethingChanged(void)
{
    return SelectedItem(SnapButton) != SavedItem(SnapButton) ||
           SelectedItem(NewPicture) != SavedItem(NewPicture);
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
    char line[SAY_LINE];
    int event;

    if (state->monitorPid != 0)
        wsprintfA(line, "The monitor is running (process %lu).", (unsigned long)state->monitorPid);
    else
        lstrcpyA(line, "The monitor is not running: nothing starts until it does.");
    SetDlgItemTextA(g_Settings.dialog, IDC_MONITOR_STATE, line);

    if (state->camera.cameraPresent)
        wsprintfA(line, "Camera: %s", state->camera.cameraPath);
    else
        lstrcpyA(line, "No camera is present.");
    SetDlgItemTextA(g_Settings.dialog, IDC_CAMERA_STATE, line);

    for (event = 0; event < EVENT_COUNT; event++)
        EnableWindow(Choice((CameraEvent)event), ChoicesWritable(state));
    if (ChoicesWritable(state))
        SetDlgItemTextA(g_Settings.dialog, IDC_MESSAGE, "");
    else if (!state->camera.cameraPresent)
        SetDlgItemTextA(g_Settings.dialog, IDC_MESSAGE,
                        "With no camera present there is nowhere to write a choice, so the "
                        "choices cannot be changed until the camera is plugged in.");
    else if (!state->camera.driverKeyOpens)
        SetDlgItemTextA(g_Settings.dialog, IDC_MESSAGE,
                        "The camera's driver key does not open, so the choices cannot be "
                        "changed: every event starts its default program. Reinstall the "
                        "camera's driver.");
}

/* Reads everything anew; the selections become what the registry holds. */
static void Reload(void)
{
    int event;

    ReadSettingsState(&g_Settings.state);
    for (event = 0; event < EVENT_COUNT; event++) {
        FillChoices((CameraEvent)event, SavedItem((CameraEvent)event));
        ShowChoice((CameraEvent)event);
    }
    ShowState();
    UpdateApply();
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
        app = ItemApplication(items[event]);
        lstrcpyA(names[event], app != NULL ? app->name : "");
    }
    ReadApplications(&g_Settings.state);
    for (event = 0; event < EVENT_COUNT; event++) {
        if (names[event][0] != '\0') {
            app = FindApplication(&g_Settings.state.apps, names[event]);
            items[event] = app != NULL ? ItemOf(app) : SavedItem((CameraEvent)event);
        }
        FillChoices((CameraEvent)event, items[event]);
        ShowChoice((CameraEvent)event);
    }
    UpdateApply();
}

/* Puts an event written by this Apply back as it was read, where "use"
   can: a name the monitor cannot use is not taken by "use". */
static int PutBack(CameraEvent event)
{
    ClearReport(&g_Settings.report);
    switch (KindOfChoice(&g_Settings.state, event)) {
    case CHOICE_APPLICATION:
        return UseApplication(&g_Settings.report, event, Saved(event)->application) ==
               CHOICE_DONE;
    case CHOICE_DEFAULT:
        return UseApplication(&g_Settings.report, event, DEFAULT_CHOICE) == CHOICE_DONE;
    default:
        return 0;
    }
}

/* Writes each changed event through hxmonctl's "use". Returns 1 when
   everything that changed was written; otherwise the registry is as it
   was and the window says why. */
static int ApplyChanges(void)
{
    const RegisteredApplication *app;
    char line[SAY_LINE + 128];
    LPARAM item;
    int event;
    int written = 0;

    for (event = 0; event < EVENT_COUNT; event++) {
        item = SelectedItem((CameraEvent)event);
        if (item == SavedItem((CameraEvent)event))
            continue;
        app = ItemApplication(item);
        ClearReport(&g_Settings.report);
        if (UseApplication(&g_Settings.report, (CameraEvent)event,
                           app != NULL ? app->name : DEFAULT_CHOICE) != CHOICE_DONE) {
            FirstReportLine(&g_Settings.report, line);
            /* Only SnapButton comes before another event. */
            if (written && !PutBack(SnapButton))
                lstrcatA(line, " The snapshot button's earlier choice could not be put back.");
            SetDlgItemTextA(g_Settings.dialog, IDC_MESSAGE, line);
            return 0;
        }
        written++;
    }
    Reload();
    if (written)
        SetDlgItemTextA(g_Settings.dialog, IDC_MESSAGE,
                        "Saved. The monitor uses the new choice at the next press.");
    return 1;
}

/* The camera may come or go while the window is open: the window follows
   it as the monitor does, from the image class's notifications. */
static void WatchCamera(void)
{
    DEV_BROADCAST_DEVICEINTERFACE_A filter;
    DeviceMonitor record;

    InitDeviceMonitor(&record);
    ZeroMemory(&filter, sizeof(filter));
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = record.classGuid;
    g_Settings.notify = RegisterDeviceNotificationA(g_Settings.dialog, &filter,
                                                    DEVICE_NOTIFY_WINDOW_HANDLE);
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
