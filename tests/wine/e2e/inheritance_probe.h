/* A handle the runner makes inheritable and hands to the monitor, so the
   stand-in programs can tell whether the monitor passed handles on. */
#ifndef HXE2E_INHERITANCE_PROBE_H
#define HXE2E_INHERITANCE_PROBE_H

/* Creates the probe (an inheritable mapping holding a unique text) and
   names it in HXSIM_PROBE_HANDLE / HXSIM_PROBE_MAGIC for children. Returns
   1 on success; the probe lives as long as the runner. */
int CreateInheritanceProbe(void);

#endif
