/* Substitute platform: base types of the Win32 API as a 32-bit Windows
   program sees them, with pointer-sized handles on the host. */
#ifndef HX_WINDEF_H
#define HX_WINDEF_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#ifdef __cplusplus
#define HX_BEGIN_C extern "C" {
#define HX_END_C }
#else
#define HX_BEGIN_C
#define HX_END_C
#endif

#define WINAPI
#define CALLBACK
#define APIENTRY
#define CONST const
#define VOID void

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif
#ifndef NULL
#define NULL 0
#endif

typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef int BOOL;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef int INT;
typedef unsigned int UINT;
typedef char CHAR;
typedef uint16_t WCHAR;
typedef unsigned char UCHAR;
typedef short SHORT;
typedef unsigned short USHORT;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;

typedef intptr_t LONG_PTR;
typedef intptr_t INT_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t DWORD_PTR;
typedef ULONG_PTR SIZE_T;

typedef void *PVOID;
typedef void *LPVOID;
typedef const void *LPCVOID;
typedef void *HANDLE;
typedef HANDLE *PHANDLE;
typedef HANDLE *LPHANDLE;

typedef CHAR *LPSTR;
typedef CHAR *PSTR;
typedef const CHAR *LPCSTR;
typedef const CHAR *PCSTR;
typedef WCHAR *LPWSTR;
typedef WCHAR *PWSTR;
typedef const WCHAR *LPCWSTR;
typedef const WCHAR *PCWSTR;
typedef DWORD *LPDWORD;
typedef DWORD *PDWORD;
typedef BYTE *LPBYTE;
typedef BYTE *PBYTE;
typedef LONG *PLONG;
typedef LONG *LPLONG;
typedef BOOL *LPBOOL;
typedef BOOL *PBOOL;

#define DECLARE_HANDLE(name) struct name##__ { int unused; }; typedef struct name##__ *name
DECLARE_HANDLE(HWND);
DECLARE_HANDLE(HINSTANCE);
DECLARE_HANDLE(HICON);
DECLARE_HANDLE(HBRUSH);
DECLARE_HANDLE(HMENU);
DECLARE_HANDLE(HKEY);
typedef HINSTANCE HMODULE;
typedef HICON HCURSOR;
typedef HKEY *PHKEY;

typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef WORD ATOM;

typedef struct _GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
} GUID, *LPGUID;
typedef const GUID *LPCGUID;
typedef GUID CLSID;

#define IsEqualGUID(a, b) (memcmp((a), (b), sizeof(GUID)) == 0)
#ifdef __cplusplus
inline bool operator==(const GUID &a, const GUID &b) { return IsEqualGUID(&a, &b); }
inline bool operator!=(const GUID &a, const GUID &b) { return !(a == b); }
#endif

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT, *PPOINT, *LPPOINT;

typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *PSECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

#define MAX_PATH 260
#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)

#define HandleToULong(h) ((ULONG)(ULONG_PTR)(h))
#define HandleToUlong(h) HandleToULong(h)
#define ULongToHandle(ul) ((HANDLE)(ULONG_PTR)(ul))
#define UlongToHandle(ul) ULongToHandle(ul)

#define LOWORD(l) ((WORD)(((DWORD_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((DWORD_PTR)(l)) >> 16) & 0xffff))

#endif
