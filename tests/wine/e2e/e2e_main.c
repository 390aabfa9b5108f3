/* hxe2e: runs one end-to-end scenario of hxMonitor.exe inside a Wine
   prefix that holds the stand-in camera.

     hxe2e.exe <path of hxMonitor.exe> <scenario>|all

   Exit code 0 when every check passed. */
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
};

/* ctest passes host paths; the prefix sees the host's root as drive Z:. */
static void ToWindowsPath(const char *path, char *out, size_t size)
{
    size_t i;

    if (path[0] == '/')
        _snprintf(out, size, "Z:%s", path);
    else
        _snprintf(out, size, "%s", path);
    out[size - 1] = '\0';
    for (i = 0; out[i]; i++) {
        if (out[i] == '/')
            out[i] = '\\';
    }
}

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
        if (strcmp(argv[2], "all") != 0 && strcmp(argv[2], scenarios[i].name) != 0)
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
