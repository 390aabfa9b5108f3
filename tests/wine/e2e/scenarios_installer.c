/* The installer's scenarios: a silent install, reinstalling and upgrading
   over a running copy, a copy that will not close, uninstalling, the start
   at logon, how the installer has the monitor started (never itself), and
   the package of the other architecture. The packages come from the
   runner's environment (HXE2E_PACKAGE_*, HXE2E_UPGRADE_*,
   HXE2E_OTHER_ARCH_*, HXE2E_FORCED_*). */
#include "scenarios.h"
#include "scenario.h"
#include "scenario_checks.h"
#include "installation.h"
#include "registry_values.h"
#include "still_image_registry.h"
#include "stubborn_window.h"
#include "setup_pages.h"
#include "harness.h"

#include <stdio.h>
#include <string.h>

#define CUSTOM_FOLDER "C:\\hxsim\\Custom Place"
#define OTHER_APPLICATION_COMMAND "C:\\windows\\hxTestApp.exe --owned-by-others"
/* How long a monitor that nobody should start is given to show up anyway:
   one started through the shell shows within a second. */
#define NOTHING_STARTS_MS 4000

/* Where a package writes: its registry view, and the view it must leave
   alone on 64-bit Windows (0 on 32-bit Windows, which has one view). */
typedef struct Side {
    REGSAM view;
    REGSAM otherView;
    int x86Folder;  /* Program Files (x86) */
} Side;

#ifdef _WIN64
static const Side ownSide = { KEY_WOW64_64KEY, KEY_WOW64_32KEY, 0 };
static const Side x86Side = { KEY_WOW64_32KEY, KEY_WOW64_64KEY, 1 };
#else
static const Side ownSide = { 0, 0, 0 };
#endif

static int ReadPackageOrSay(const char *prefix, Package *package)
{
    return Check(ReadPackage(prefix, package),
                 "the runner names the package (%s_SETUP, _EXE, _VERSION)", prefix);
}

static void SetupCommand(const Package *package, const char *options, char *command, size_t size)
{
    _snprintf(command, size, "\"%s\" %s", package->setup, options);
    command[size - 1] = '\0';
}

static int RunSetup(const Package *package, const char *options, DWORD *exitCode)
{
    char command[1024];

    SetupCommand(package, options, command, sizeof(command));
    return RunAndWait(command, 0, exitCode);
}

/* Starts the package without waiting (see EndSetup). */
static int StartPackage(const Package *package, const char *options, PROCESS_INFORMATION *setup)
{
    char command[1024];

    SetupCommand(package, options, command, sizeof(command));
    return Check(StartSetup(command, setup), "setup %s starts", options);
}

static int InstallSilently(const Package *package, const char *options)
{
    DWORD exitCode = (DWORD)-2;
    int ended;

    Step("hxMonitor %s is installed: setup %s", package->version, options);
    ended = RunSetup(package, options, &exitCode);
    return Check(ended && exitCode == 0, "setup ends with exit code 0 (got %ld)", (long)exitCode);
}

/* The entry's quiet command, as a deployment tool runs it; it ends with `expected`. */
static int UninstallQuietlyEnds(REGSAM view, DWORD expected)
{
    char command[MAX_PATH + 16];
    DWORD exitCode = (DWORD)-2;
    int ended;

    if (!Check(ReadRegistryText(view, UNINSTALL_KEY, "QuietUninstallString", command,
                                sizeof(command)),
               "the Add/Remove entry has a quiet uninstall command"))
        return 0;
    Step("uninstalled: %s", command);
    ended = RunAndWait(command, 1, &exitCode);
    return Check(ended && exitCode == expected, "the uninstaller ends with exit code %lu (got %ld)",
                 (unsigned long)expected, (long)exitCode);
}

static int UninstallQuietly(REGSAM view)
{
    return UninstallQuietlyEnds(view, 0);
}

/* No install of either architecture left by an earlier scenario. */
static int RemoveInstalls(void)
{
    int ok = 1;

    if (RegistryKeyExists(ownSide.view, UNINSTALL_KEY))
        ok &= UninstallQuietly(ownSide.view);
#ifdef _WIN64
    if (RegistryKeyExists(x86Side.view, UNINSTALL_KEY))
        ok &= UninstallQuietly(x86Side.view);
#endif
    return ok;
}

static void FolderFile(const char *folder, const char *name, char *path, size_t size)
{
    _snprintf(path, size, "%s\\%s", folder, name);
    path[size - 1] = '\0';
}

static void CheckText(const Side *side, const char *key, const char *name, const char *expected)
{
    char text[MAX_PATH + 32];

    ReadRegistryText(side->view, key, name, text, sizeof(text));
    Check(strcmp(text, expected) == 0, "%s\\%s is %s (got %s)",
          strcmp(key, RUN_KEY) == 0 ? "Run" : "the Add/Remove entry", name, expected, text);
}

/* Everything a completed install of this package in this folder leaves. */
static void CheckInstalled(const Package *package, const char *folder, const Side *side)
{
    char exe[MAX_PATH], uninstaller[MAX_PATH], ctl[MAX_PATH], text[MAX_PATH + 32];
    char settings[MAX_PATH], shortcut[MAX_PATH];
    DWORD number, files;

    FolderFile(folder, "hxMonitor.exe", exe, sizeof(exe));
    FolderFile(folder, "uninstall.exe", uninstaller, sizeof(uninstaller));
    FolderFile(folder, "hxmonctl.exe", ctl, sizeof(ctl));
    Check(SameFileContents(exe, package->exe), "%s is the package's hxMonitor.exe", exe);
    Check(FileExists(uninstaller), "the uninstaller is %s", uninstaller);
    if (package->ctl[0])
        Check(SameFileContents(ctl, package->ctl), "%s is the package's hxmonctl.exe", ctl);
    else
        Check(!FileExists(ctl), "a package without hxmonctl.exe installs none");
    FolderFile(folder, "hxMonitorSettings.exe", settings, sizeof(settings));
    SettingsShortcutPath(shortcut, sizeof(shortcut));
    if (package->settings[0])
        Check(SameFileContents(settings, package->settings) && FileExists(shortcut),
              "%s is the package's settings window, with the shortcut %s", settings, shortcut);

    _snprintf(text, sizeof(text), "\"%s\"", exe);
    CheckText(side, RUN_KEY, RUN_VALUE, text);
    if (side->otherView)
        Check(!ReadRegistryText(side->otherView, RUN_KEY, RUN_VALUE, text, sizeof(text)) &&
                  !RegistryKeyExists(side->otherView, UNINSTALL_KEY),
              "the other registry view holds no Run value and no Add/Remove entry");

    CheckText(side, UNINSTALL_KEY, "DisplayName", "hxMonitor");
    CheckText(side, UNINSTALL_KEY, "DisplayVersion", package->version);
    CheckText(side, UNINSTALL_KEY, "Publisher", "Halvex");
    CheckText(side, UNINSTALL_KEY, "InstallLocation", folder);
    _snprintf(text, sizeof(text), "%s,0", exe);
    CheckText(side, UNINSTALL_KEY, "DisplayIcon", text);
    _snprintf(text, sizeof(text), "\"%s\"", uninstaller);
    CheckText(side, UNINSTALL_KEY, "UninstallString", text);
    _snprintf(text, sizeof(text), "\"%s\" /S", uninstaller);
    CheckText(side, UNINSTALL_KEY, "QuietUninstallString", text);
    Check(ReadRegistryNumber(side->view, UNINSTALL_KEY, "NoModify", &number) && number == 1,
          "NoModify is 1");
    Check(ReadRegistryNumber(side->view, UNINSTALL_KEY, "NoRepair", &number) && number == 1,
          "NoRepair is 1");
    /* In KiB, rounded per file either way. */
    files = (FileSize(exe) + FileSize(uninstaller) + FileSize(ctl) + FileSize(settings)) / 1024;
    if (!ReadRegistryNumber(side->view, UNINSTALL_KEY, "EstimatedSize", &number))
        number = 0;
    Check(number > 0 && number + 2 >= files && number <= files + 2,
          "EstimatedSize is the files' %lu KiB (got %lu)", (unsigned long)files,
          (unsigned long)number);
}

/* Nothing of an install is left in this folder, in either registry view,
   or running. */
static void CheckNothingInstalled(const char *folder)
{
    static const REGSAM views[] = { KEY_WOW64_32KEY, KEY_WOW64_64KEY };
    char text[MAX_PATH];
    int leftInRegistry = 0;
    size_t i;

    Check(!DirectoryExists(folder), "%s is gone", folder);
    SettingsShortcutPath(text, sizeof(text));
    Check(!FileExists(text), "the Start menu holds no %s", text);
    for (i = 0; i < sizeof(views) / sizeof(views[0]); i++) {
        leftInRegistry |= ReadRegistryText(views[i], RUN_KEY, RUN_VALUE, text, sizeof(text));
        leftInRegistry |= RegistryKeyExists(views[i], UNINSTALL_KEY);
    }
    Check(!leftInRegistry, "no Run value and no Add/Remove entry are left");
    Check(CountMonitorProcesses() == 0, "no hxMonitor.exe runs");
}

/* The copy the installer (or the logon) started runs from the installed
   exe, arms the camera and serves a press. */
static int CheckInstalledCopyServes(const char *folder, MonitorRun *run)
{
    char image[MAX_PATH], expected[MAX_PATH];
    RecordEvent arm;

    if (!Check(AttachToRunningMonitor(run), "a monitor runs"))
        return 0;
    FolderFile(folder, "hxMonitor.exe", expected, sizeof(expected));
    MonitorImagePath(run, image, sizeof(image));
    Check(lstrcmpiA(image, expected) == 0, "it runs from %s (got %s)", expected, image);
    if (!CheckArmed(run, 1, &arm))
        return 0;
    CheckPressStartsProgram(run);
    return 1;
}

/* The copy was closed the monitor's own way, not killed. Releases it. */
static void CheckEndedByClose(MonitorRun *old)
{
    DWORD exitCode = (DWORD)-2;

    Check(old->process && WaitForSingleObject(old->process, 0) == WAIT_OBJECT_0,
          "the copy that ran before (pid %u) has ended", old->pid);
    if (old->process)
        GetExitCodeProcess(old->process, &exitCode);
    Check(exitCode == 0, "it ended through WM_CLOSE, with exit code 0 (got %ld)", (long)exitCode);
    EndMonitor(old);
}

/* The user closes the running copy: WM_CLOSE, as any program sends it. */
static int CloseInstalledCopy(void)
{
    MonitorRun run = { NULL, 0 };
    DWORD exitCode = (DWORD)-2;
    int closed = AttachToRunningMonitor(&run) && CloseMonitor(&run, &exitCode);

    EndMonitor(&run);
    return Check(closed && exitCode == 0, "the running copy is closed: exit code 0 (got %ld)",
                 (long)exitCode);
}

/* The camera plugged in, and nothing installed: every scenario starts from
   a machine that never had hxMonitor, whatever ran before it. */
static int BeginInstallerScenario(void)
{
    return BeginScenario(1) && RemoveInstalls();
}

static void EndInstallerScenario(MonitorRun *run)
{
    CloseStrayMonitors();
    EndScenario(run);
}

/* Ends a setup that was started without waiting; its exit code. */
static DWORD EndSetup(PROCESS_INFORMATION *setup)
{
    DWORD exitCode = (DWORD)-2;

    if (WaitForSingleObject(setup->hProcess, E2E_TIMEOUT_MS) != WAIT_OBJECT_0)
        TerminateProcess(setup->hProcess, 99);
    GetExitCodeProcess(setup->hProcess, &exitCode);
    CloseHandle(setup->hThread);
    CloseHandle(setup->hProcess);
    return exitCode;
}

/* A monitor shows up, and not as the installer's child: the shell started
   it, so it has the user's rights, not the installer's. Under Wine the
   shell's launcher has mostly ended by then: what counts is that its parent
   is not the installer (whose process is held open, so that its id is not
   handed out again). */
static int CheckStartedNotBySetup(const PROCESS_INFORMATION *setup)
{
    MonitorParent seen;

    if (!Check(WaitForMonitorProcess(E2E_TIMEOUT_MS, &seen), "a monitor process appears"))
        return 0;
    return Check(seen.parentPid != setup->dwProcessId,
                 "the installer (pid %lu) did not start it: its parent is pid %lu",
                 (unsigned long)setup->dwProcessId, (unsigned long)seen.parentPid);
}

static int CheckNothingStarts(const char *when)
{
    MonitorParent seen;

    return Check(!WaitForMonitorProcess(NOTHING_STARTS_MS, &seen) &&
                     FindWindowA("hxMonitor", NULL) == NULL,
                 "%s, no monitor starts (%lu ms later)", when, (unsigned long)NOTHING_STARTS_MS);
}

/* A person with the camera installs hxMonitor silently, in their session. */
void ScenarioInstallerSilentInstall(void)
{
    MonitorRun run = { NULL, 0 };
    PROCESS_INFORMATION setup;
    Package package;
    char folder[MAX_PATH];
    DWORD exitCode;

    if (!BeginInstallerScenario() || !ReadPackageOrSay("HXE2E_PACKAGE", &package))
        return;
    DefaultInstallFolder(ownSide.x86Folder, folder, sizeof(folder));
    Step("hxMonitor %s is installed silently", package.version);
    if (!StartPackage(&package, "/S", &setup))
        return;
    CheckStartedNotBySetup(&setup);
    exitCode = EndSetup(&setup);
    if (Check(exitCode == 0, "setup ends with exit code 0 (got %ld)", (long)exitCode)) {
        CheckInstalled(&package, folder, &ownSide);
        CheckInstalledCopyServes(folder, &run);
    }
    EndInstallerScenario(&run);
}

/* A deployment tool installs silently in a service's context: session 0,
   or the system account. Wine runs everything as one user in session 1, so
   a test build of the package is told the session and account it runs as
   (HX_SETUP_FORCE_SESSION, HX_SETUP_FORCE_SYSTEM); the decision is the
   shipped one. */
void ScenarioInstallerServiceContextStartsNothing(void)
{
    static const struct {
        const char *session, *system, *what;
        int starts;
    } contexts[] = {
        { "0", "0", "a service's session 0", 0 },
        { "1", "1", "the system account in session 1", 0 },
        { "2", "0", "a user in session 2 (the same decision, the other way)", 1 },
    };
    MonitorRun run = { NULL, 0 };
    PROCESS_INFORMATION setup;
    Package package;
    char folder[MAX_PATH], runCommand[MAX_PATH + 2];
    DWORD exitCode;
    size_t i;

    if (!BeginInstallerScenario() || !ReadPackageOrSay("HXE2E_FORCED", &package))
        return;
    DefaultInstallFolder(ownSide.x86Folder, folder, sizeof(folder));
    _snprintf(runCommand, sizeof(runCommand), "\"%s\\hxMonitor.exe\"", folder);
    runCommand[sizeof(runCommand) - 1] = '\0';
    for (i = 0; i < sizeof(contexts) / sizeof(contexts[0]); i++) {
        Step("setup /S as in %s", contexts[i].what);
        SetEnvironmentVariableA("HX_SETUP_FORCE_SESSION", contexts[i].session);
        SetEnvironmentVariableA("HX_SETUP_FORCE_SYSTEM", contexts[i].system);
        if (!StartPackage(&package, "/S", &setup))
            break;
        if (contexts[i].starts)
            CheckStartedNotBySetup(&setup);
        exitCode = EndSetup(&setup);
        Check(exitCode == 0, "setup ends with exit code 0 (got %ld)", (long)exitCode);
        if (contexts[i].starts) {
            CheckInstalledCopyServes(folder, &run);
        } else {
            CheckNothingStarts("after it");
            /* What starts it at the next logon. */
            CheckText(&ownSide, RUN_KEY, RUN_VALUE, runCommand);
        }
    }
    SetEnvironmentVariableA("HX_SETUP_FORCE_SESSION", NULL);
    SetEnvironmentVariableA("HX_SETUP_FORCE_SYSTEM", NULL);
    EndInstallerScenario(&run);
}

/* An interactive install, page by page: Next on the folder page, then on
   the finish page "Start hxMonitor now" (checked unless `clear`) and
   Finish. Returns the setup still running, for the caller to end. */
static int InstallThroughPages(const Package *package, int clear, PROCESS_INFORMATION *setup)
{
    HWND window, box;

    if (!StartPackage(package, "", setup))
        return 0;
    window = WaitForSetupWindow(setup->dwProcessId, E2E_TIMEOUT_MS);
    if (!Check(window != NULL, "it shows its window"))
        return 1;
    PressSetupButton(window, IDOK);
    box = WaitForSetupControl(window, "Start hxMonitor now", E2E_TIMEOUT_MS);
    if (!Check(box != NULL, "after Install, the finish page offers \"Start hxMonitor now\""))
        return 1;
    Check(SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED, "the box is checked");
    Check(CountMonitorProcesses() == 0, "nothing is started before Finish");
    if (clear) {
        SendMessageA(box, BM_CLICK, 0, 0);
        Check(SendMessageA(box, BM_GETCHECK, 0, 0) == BST_UNCHECKED, "the box is cleared");
    }
    PressSetupButton(window, IDOK);
    return 1;
}

/* A person installs with the pages: first clearing the box, then, over
   that install, leaving it checked. */
void ScenarioInstallerFinishPage(void)
{
    MonitorRun run = { NULL, 0 };
    PROCESS_INFORMATION setup;
    Package package;
    char folder[MAX_PATH];
    DWORD exitCode;

    if (!BeginInstallerScenario() || !ReadPackageOrSay("HXE2E_PACKAGE", &package))
        return;
    DefaultInstallFolder(ownSide.x86Folder, folder, sizeof(folder));

    Step("installed through the pages, \"Start hxMonitor now\" cleared");
    if (!InstallThroughPages(&package, 1, &setup))
        return;
    exitCode = EndSetup(&setup);
    Check(exitCode == 0, "Finish ends setup with exit code 0 (got %ld)", (long)exitCode);
    CheckNothingStarts("with the box cleared");
    CheckInstalled(&package, folder, &ownSide);

    Step("installed again through the pages, the box left checked");
    if (!InstallThroughPages(&package, 0, &setup))
        return;
    CheckStartedNotBySetup(&setup);
    exitCode = EndSetup(&setup);
    Check(exitCode == 0, "Finish ends setup with exit code 0 (got %ld)", (long)exitCode);
    CheckInstalledCopyServes(folder, &run);
    EndInstallerScenario(&run);
}

/* The same package again over a running copy, then a build of another
   version and stamp. */
void ScenarioInstallerReinstallAndUpgrade(void)
{
    MonitorRun old = { NULL, 0 }, run = { NULL, 0 };
    Package package, upgrade;
    char folder[MAX_PATH];

    if (!BeginInstallerScenario() || !ReadPackageOrSay("HXE2E_PACKAGE", &package) ||
        !ReadPackageOrSay("HXE2E_UPGRADE", &upgrade))
        return;
    DefaultInstallFolder(ownSide.x86Folder, folder, sizeof(folder));
    Check(!SameFileContents(package.exe, upgrade.exe) && strcmp(package.version, upgrade.version),
          "the upgrade carries another exe (%s) and version (%s)", upgrade.exe, upgrade.version);
    if (!InstallSilently(&package, "/S") || !Check(AttachToRunningMonitor(&old), "it runs")) {
        EndInstallerScenario(&old);
        return;
    }

    Step("installed again, over the running copy");
    if (InstallSilently(&package, "/S")) {
        CheckEndedByClose(&old);
        CheckInstalled(&package, folder, &ownSide);
        CheckInstalledCopyServes(folder, &run);
    }

    Step("upgraded, over the running copy");
    EndMonitor(&old);
    old = run;
    run.process = NULL;
    if (InstallSilently(&upgrade, "/S")) {
        CheckEndedByClose(&old);
        CheckInstalled(&upgrade, folder, &ownSide);
        CheckInstalledCopyServes(folder, &run);
    }
    EndMonitor(&old);
    EndInstallerScenario(&run);
}

/* The running copy hangs: it does not end when asked to close. */
void ScenarioInstallerCopyThatWillNotClose(void)
{
    MonitorRun run = { NULL, 0 };
    StubbornWindow stubborn;
    Package package, upgrade;
    char folder[MAX_PATH], exe[MAX_PATH], version[32];
    DWORD exitCode = (DWORD)-2, started, waited;
    int ended;

    if (!BeginInstallerScenario() || !ReadPackageOrSay("HXE2E_PACKAGE", &package) ||
        !ReadPackageOrSay("HXE2E_UPGRADE", &upgrade) || !InstallSilently(&package, "/S"))
        return;
    DefaultInstallFolder(ownSide.x86Folder, folder, sizeof(folder));
    FolderFile(folder, "hxMonitor.exe", exe, sizeof(exe));
    if (!CloseInstalledCopy())
        return;
    if (!Check(OpenStubbornWindow(&stubborn), "a copy that ignores WM_CLOSE runs")) {
        CloseStubbornWindow(&stubborn);
        return;
    }

    Step("the upgrade is installed silently while that copy runs");
    started = GetTickCount();
    ended = RunSetup(&upgrade, "/S", &exitCode);
    waited = GetTickCount() - started;
    Check(ended && exitCode == SETUP_EXIT_STILL_RUNNING,
          "setup reports the copy still running: exit code %d (got %ld)",
          SETUP_EXIT_STILL_RUNNING, (long)exitCode);
    Check(stubborn.closeRequests >= 1, "it asked the copy to close with WM_CLOSE (%ld times)",
          stubborn.closeRequests);
    Check(waited >= 9000 && waited < 30000, "it waited its 10 s bound for the copy to end (%lu ms)",
          (unsigned long)waited);
    Check(IsWindow(stubborn.window), "the copy was not killed: its window is still there");
    Check(SameFileContents(exe, package.exe), "the installed exe is unchanged");
    Check(ReadRegistryText(ownSide.view, UNINSTALL_KEY, "DisplayVersion", version,
                           sizeof(version)) && strcmp(version, package.version) == 0,
          "the Add/Remove entry still names %s (got %s)", package.version, version);
    Check(CountMonitorProcesses() == 0, "no new copy was started");
    CloseStubbornWindow(&stubborn);
    EndInstallerScenario(&run);
}

/* An install moved to a folder of the user's choice, uninstalled with the
   monitor running; then one whose hxmonctl.exe was deleted by hand, which
   cannot ask the monitor to close, then uninstalled with none running. */
void ScenarioInstallerUninstall(void)
{
    MonitorRun run = { NULL, 0 };
    Package package;
    char folder[MAX_PATH], ctl[MAX_PATH];

    if (!BeginInstallerScenario() || !ReadPackageOrSay("HXE2E_PACKAGE", &package) ||
        !InstallSilently(&package, "/S") || !Check(AttachToRunningMonitor(&run), "it runs"))
        return;
    DefaultInstallFolder(ownSide.x86Folder, folder, sizeof(folder));
    Step("other software registered a still-image application for the camera");
    Check(RegisterApplication(TEST_APPLICATION, OTHER_APPLICATION_COMMAND) &&
              SetLaunchApplications("SnapButton", TEST_APPLICATION),
          "the registration is written");

    if (!InstallSilently(&package, "/S /D=" CUSTOM_FOLDER)) {
        EndInstallerScenario(&run);
        return;
    }
    CheckEndedByClose(&run);
    Check(!DirectoryExists(folder), "nothing is left in the old folder %s", folder);
    CheckInstalled(&package, CUSTOM_FOLDER, &ownSide);
    if (!Check(AttachToRunningMonitor(&run), "the moved copy runs") ||
        !UninstallQuietly(ownSide.view)) {
        EndInstallerScenario(&run);
        return;
    }
    CheckEndedByClose(&run);
    CheckNothingInstalled(CUSTOM_FOLDER);
    Check(StillImageRegistrationIs("SnapButton", TEST_APPLICATION, OTHER_APPLICATION_COMMAND),
          "the still-image registration is still there");

    FolderFile(folder, "hxmonctl.exe", ctl, sizeof(ctl));
    if (InstallSilently(&package, "/S") &&
        Check(AttachToRunningMonitor(&run) && DeleteFileA(ctl), "it runs; %s is deleted", ctl))
        UninstallQuietlyEnds(ownSide.view, SETUP_EXIT_STILL_RUNNING);
    if (CloseInstalledCopy() && UninstallQuietly(ownSide.view))
        CheckNothingInstalled(folder);
    EndInstallerScenario(&run);
}

/* Before the session ends: installed, and the monitor closed. */
void ScenarioInstallerLogonPrepare(void)
{
    Package package;

    if (BeginInstallerScenario() && ReadPackageOrSay("HXE2E_PACKAGE", &package) &&
        InstallSilently(&package, "/S"))
        CloseInstalledCopy();
}

/* The first program of a new Wine session: the session's own start
   (wineboot --init) has run. Then Wine's start-up pass as at a logon. */
void ScenarioInstallerLogonPass(void)
{
    MonitorRun run = { NULL, 0 };
    char folder[MAX_PATH];
    DWORD exitCode = (DWORD)-2;
    int ended;

    Step("a new Wine session has started");
    /* What the start of the session launched is already running; a moment
       more for anything slower. */
    Sleep(2000);
    Check(CountMonitorProcesses() == 0 && FindWindowA("hxMonitor", NULL) == NULL,
          "its start (wineboot --init) started no monitor");
    if (!BeginScenario(1))
        return;
    DefaultInstallFolder(ownSide.x86Folder, folder, sizeof(folder));

    Step("Wine's start-up pass, as at a logon: wineboot with no arguments");
    ended = RunAndWait("wineboot.exe", 0, &exitCode);
    Check(ended && exitCode == 0, "wineboot ends with exit code 0 (got %ld)", (long)exitCode);
    CheckInstalledCopyServes(folder, &run);
    EndInstallerScenario(&run);
}

#ifndef _WIN64
/* The texts of a message box, one after another. */
typedef struct MessageBoxText {
    char text[512];
} MessageBoxText;

static BOOL CALLBACK CollectText(HWND child, LPARAM context)
{
    MessageBoxText *box = (MessageBoxText *)context;
    char className[32], text[256];
    size_t used = strlen(box->text);

    if (GetClassNameA(child, className, sizeof(className)) && lstrcmpiA(className, "Static") == 0 &&
        GetWindowTextA(child, text, sizeof(text)) > 0)
        _snprintf(box->text + used, sizeof(box->text) - used, "%s ", text);
    box->text[sizeof(box->text) - 1] = '\0';
    return TRUE;
}

/* The x64 package on 32-bit Windows: a clear refusal, and nothing done. */
void ScenarioInstallerX64PackageRefuses32BitWindows(void)
{
    MessageBoxText box;
    PROCESS_INFORMATION setup;
    Package x64Package;
    char folder[MAX_PATH];
    DWORD exitCode = (DWORD)-2;
    HWND window;
    int ended;

    if (!BeginInstallerScenario() || !ReadPackageOrSay("HXE2E_OTHER_ARCH", &x64Package))
        return;
    DefaultInstallFolder(0, folder, sizeof(folder));

    Step("the x64 package is started by hand");
    if (!StartPackage(&x64Package, "", &setup))
        return;
    window = WaitForSetupWindow(setup.dwProcessId, E2E_TIMEOUT_MS);
    if (Check(window != NULL, "it shows a message")) {
        box.text[0] = '\0';
        EnumChildWindows(window, CollectText, (LPARAM)&box);
        Check(strstr(box.text, "for 64-bit Windows") && strstr(box.text, "32-bit") &&
                  strstr(box.text, "hxMonitor-") && strstr(box.text, "-setup-x86.exe"),
              "the message says why and which package to take (\"%s\")", box.text);
        PostMessageA(window, WM_COMMAND, IDOK, 0);
    }
    exitCode = EndSetup(&setup);
    Check(exitCode == SETUP_EXIT_REFUSED, "after OK it ends with exit code %d (got %ld)",
          SETUP_EXIT_REFUSED, (long)exitCode);

    Step("the x64 package is started silently");
    ended = RunSetup(&x64Package, "/S", &exitCode);
    Check(ended && exitCode == SETUP_EXIT_REFUSED, "it ends with exit code %d (got %ld)",
          SETUP_EXIT_REFUSED, (long)exitCode);
    CheckNothingInstalled(folder);
}
#else
/* The x86 package on 64-bit Windows: the 32-bit folder and registry view. */
void ScenarioInstallerX86PackageOn64BitWindows(void)
{
    MonitorRun run = { NULL, 0 };
    Package x86Package;
    char folder[MAX_PATH], image[MAX_PATH], expected[MAX_PATH];

    if (!BeginInstallerScenario() || !ReadPackageOrSay("HXE2E_OTHER_ARCH", &x86Package))
        return;
    DefaultInstallFolder(1, folder, sizeof(folder));
    if (InstallSilently(&x86Package, "/S")) {
        CheckInstalled(&x86Package, folder, &x86Side);
        if (Check(AttachToRunningMonitor(&run), "the monitor runs")) {
            FolderFile(folder, "hxMonitor.exe", expected, sizeof(expected));
            MonitorImagePath(&run, image, sizeof(image));
            Check(lstrcmpiA(image, expected) == 0, "it runs from %s (got %s)", expected, image);
        }
        if (UninstallQuietly(x86Side.view)) {
            CheckEndedByClose(&run);
            CheckNothingInstalled(folder);
        }
    }
    EndInstallerScenario(&run);
}
#endif
