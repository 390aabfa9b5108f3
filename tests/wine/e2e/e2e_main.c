/* hxe2e: runs one end-to-end scenario of hxMonitor.exe inside a Wine
   prefix that holds the stand-in camera.

     hxe2e.exe <path of hxMonitor.exe> <scenario>|all

   "all" runs the monitor's own scenarios; the installer's (installer_*)
   need packages named in the environment and are run one by one. Exit
   code 0 when every check passed. */
#include "scenarios.h"
#include "monitor_process.h"
#include "harness.h"

#include <stdio.h>
#include <string.h>

static const struct {
    const char *name;
    void (*run)(void);
} scenarios[] = {
    { "standin_equipment", ScenarioStandInEquipment },
    { "snapshot_starts_default_program", ScenarioSnapshotStartsDefaultProgram },
    { "new_picture_starts_default_viewer", ScenarioNewPictureStartsDefaultViewer },
    { "registration_honoured_from_start", ScenarioRegistrationHonouredFromStart },
    { "registered_application_after_arrival", ScenarioRegisteredApplicationAfterArrival },
    { "unplug_and_replug", ScenarioUnplugAndReplug },
    { "second_copy_is_refused", ScenarioSecondCopyIsRefused },
    { "runs_idle_without_camera", ScenarioRunsIdleWithoutCamera },
    { "hxmonctl_matches_the_monitor", ScenarioHxmonctlMatchesTheMonitor },
    { "hxmonctl_names_what_is_wrong", ScenarioHxmonctlNamesWhatIsWrong },
    { "hxmonctl_chooses_what_a_press_starts", ScenarioHxmonctlChoosesWhatAPressStarts },
    { "settings_choose_what_a_press_starts", ScenarioSettingsChooseWhatAPressStarts },
    { "installer_silent_install", ScenarioInstallerSilentInstall },
    { "installer_service_context_starts_nothing", ScenarioInstallerServiceContextStartsNothing },
    { "installer_finish_page", ScenarioInstallerFinishPage },
    { "installer_reinstall_and_upgrade", ScenarioInstallerReinstallAndUpgrade },
    { "installer_copy_that_will_not_close", ScenarioInstallerCopyThatWillNotClose },
    { "installer_uninstall", ScenarioInstallerUninstall },
    { "installer_logon_prepare", ScenarioInstallerLogonPrepare },
    { "installer_logon_pass", ScenarioInstallerLogonPass },
#ifdef _WIN64
    { "installer_x86_package_on_64_bit_windows", ScenarioInstallerX86PackageOn64BitWindows },
#else
    { "installer_x64_package_refuses_32_bit_windows",
      ScenarioInstallerX64PackageRefuses32BitWindows },
#endif
};

int main(int argc, char **argv)
{
    char monitor[MAX_PATH];
    size_t i;
    int ran = 0;

    if (argc != 3) {
        fprintf(stderr, "usage: hxe2e <hxMonitor.exe> <scenario>|all\n");
        for (i = 0; i < sizeof(scenarios) / sizeof(scenarios[0]); i++)
            fprintf(stderr, "  %s\n", scenarios[i].name);
        return 2;
    }
    ToWindowsPath(argv[1], monitor, sizeof(monitor));
    SetMonitorPath(monitor);

    for (i = 0; i < sizeof(scenarios) / sizeof(scenarios[0]); i++) {
        int wanted = strcmp(argv[2], "all") == 0
                         ? strncmp(scenarios[i].name, "installer_", 10) != 0
                         : strcmp(argv[2], scenarios[i].name) == 0;
        if (!wanted)
            continue;
        printf("## %s\n", scenarios[i].name);
        fflush(stdout);
        scenarios[i].run();
        ran++;
    }
    if (!ran) {
        fprintf(stderr, "hxe2e: no scenario named %s\n", argv[2]);
        return 2;
    }
    printf("%s: %d failed check(s)\n", FailureCount() ? "FAILED" : "PASSED", FailureCount());
    return FailureCount() ? 1 : 0;
}
