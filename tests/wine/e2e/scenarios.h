/* The end-to-end scenarios of hxMonitor.exe with the stand-in camera. */
#ifndef HXE2E_SCENARIOS_H
#define HXE2E_SCENARIOS_H

void ScenarioSnapshotStartsDefaultProgram(void);
void ScenarioNewPictureStartsDefaultViewer(void);
void ScenarioRegistrationHonouredFromStart(void);
void ScenarioRegisteredApplicationAfterArrival(void);
void ScenarioUnplugAndReplug(void);
void ScenarioSecondCopyIsRefused(void);
void ScenarioRunsIdleWithoutCamera(void);
void ScenarioStandInEquipment(void);
void ScenarioHxmonctlMatchesTheMonitor(void);
void ScenarioHxmonctlNamesWhatIsWrong(void);
void ScenarioHxmonctlChoosesWhatAPressStarts(void);
void ScenarioSettingsChooseWhatAPressStarts(void);

void ScenarioInstallerSilentInstall(void);
void ScenarioInstallerServiceContextStartsNothing(void);
void ScenarioInstallerFinishPage(void);
void ScenarioInstallerReinstallAndUpgrade(void);
void ScenarioInstallerCopyThatWillNotClose(void);
void ScenarioInstallerUninstall(void);
void ScenarioInstallerLogonPrepare(void);
void ScenarioInstallerLogonPass(void);
#ifdef _WIN64
void ScenarioInstallerX86PackageOn64BitWindows(void);
#else
void ScenarioInstallerX64PackageRefuses32BitWindows(void);
#endif

#endif
