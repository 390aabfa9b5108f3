/* C linkage for the functions the headers of ctl/ declare: the host tests
   include them from C++. */
#ifndef HX_CTL_DECLS_H
#define HX_CTL_DECLS_H

#ifdef __cplusplus
#define CTL_DECLS_BEGIN extern "C" {
#define CTL_DECLS_END }
#else
#define CTL_DECLS_BEGIN
#define CTL_DECLS_END
#endif

#endif
