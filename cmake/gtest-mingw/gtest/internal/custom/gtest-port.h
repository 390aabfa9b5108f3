// GoogleTest's hook for local configuration, used only when the Windows C++
// runtime has no std::mutex (mingw's win32 thread model before GCC 13).
// GoogleTest's one use of std::mutex is Notification; this one waits on a
// Win32 event instead. windows.h stays out of the headers tests include.
#ifndef HX_GTEST_CUSTOM_PORT_H
#define HX_GTEST_CUSTOM_PORT_H

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
 public:
  Notification();
  ~Notification();
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify();
  void WaitForNotification();

 private:
  void* event_;  // manual-reset event: once notified, stays notified
};

}  // namespace internal
}  // namespace testing

#endif
