/* The list of registered applications, as the verbs search and show it. */
#ifndef HX_APPLICATION_LIST_H
#define HX_APPLICATION_LIST_H

#include "registration.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The registered application of this name, compared as the registry
   compares value names (without regard to case); NULL when there is none. */
const RegisteredApplication *FindApplication(const ApplicationList *list, const char *name);

/* One line naming every registered application, for a refusal. */
void SayRegisteredNames(Report *report, const ApplicationList *list);

#ifdef __cplusplus
}
#endif

#endif
