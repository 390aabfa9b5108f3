/* The installed hxMonitor as its installer leaves it (files, Run value,
   Add/Remove Programs entry), and running the packages the way a person or
   a deployment tool does. */
#ifndef HXE2E_INSTALLATION_H
#define HXE2E_INSTALLATION_H

#include <windows.h>

#define RUN_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"
#define RUN_VALUE "hxMonitor"
#define UNINSTALL_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\hxMonitor"

/* The installer's exit code when a running copy did not end in time. */
#define SETUP_EXIT_STILL_RUNNING 3
/* ... and when it refused to install. */
#define SETUP_EXIT_REFUSED 2

/* One package under test, named by the runner's environment. */
typedef struct Package {
    char setup[MAX_PATH];    /* the installer */
    char exe[MAX_PATH];      /* the hxMonitor.exe it carries */
    char ctl[MAX_PATH];      /* the hxmonctl.exe it carries, or "" */
    char settings[MAX_PATH]; /* the hxMonitorSettings.exe it carries, or "" */
    char version[32];        /* its version, e.g. "1.00.1231.0" */
} Package;

/* Reads <prefix>_SETUP, <prefix>_EXE, <prefix>_VERSION and, where the
   build has the control tool and the settings window, <prefix>_CTL and
   <prefix>_SETTINGS (host paths are turned into the
   prefix's Z: paths). Returns 1 when the first three are set. */
int ReadPackage(const char *prefix, Package *package);

/* Runs a command line (an installer and its options) and waits for it to
   end; with temporaryCopy, also for the copy of itself that it started from
   the temporary folder (an uninstaller runs from there, so that it can
   delete its own file). The exit code is the last process's. Returns 1 when
   everything ended in time. */
int RunAndWait(const char *commandLine, int temporaryCopy, DWORD *exitCode);

/* Starts an installer without waiting. */
int StartSetup(const char *commandLine, PROCESS_INFORMATION *info);

/* The folder an install goes to by default: Program Files (or its 32-bit
   twin with x86Side on 64-bit Windows) + "\hxMonitor". */
void DefaultInstallFolder(int x86Side, char *folder, DWORD size);

/* "hxMonitor Settings.lnk" in the Start menu of all users. */
void SettingsShortcutPath(char *path, DWORD size);

int FileExists(const char *path);
int DirectoryExists(const char *path);
/* Whether two files hold the same bytes. */
int SameFileContents(const char *a, const char *b);
DWORD FileSize(const char *path);

#endif
