// A key under HKEY_LOCAL_MACHINE that a test writes to while it runs, and
// leaves as it found it.
#ifndef HX_TESTS_WINDOWS_REGISTRY_SCRATCH_H
#define HX_TESTS_WINDOWS_REGISTRY_SCRATCH_H

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "win_owned.h"

class ScratchKey {
public:
    enum class Leftover { Keep, Remove };

    // Creates the missing parts of the path. With Leftover::Remove a key of
    // that path left by an interrupted run is deleted first, so the test
    // starts from an empty key it owns entirely.
    ScratchKey(std::string path, Leftover leftover);
    // Deletes the values written into keys that existed before, then the
    // highest key of the path that did not.
    ~ScratchKey();
    ScratchKey(const ScratchKey &) = delete;
    ScratchKey &operator=(const ScratchKey &) = delete;

    const std::string &Path() const { return path_; }

    // Writes exactly `data` as a value of `type` under the subkey (created
    // when missing; "" is the key itself). Nothing is appended: a text wants
    // its terminator inside `data`.
    void SetValue(const std::string &subkey, const std::string &name, DWORD type,
                  const std::string &data);
    // A text value as a writer normally stores it: with its terminator.
    void SetText(const std::string &subkey, const std::string &name, const std::string &text);

    UniqueKey OpenForReading() const;

private:
    std::string SubkeyPath(const std::string &subkey) const;

    std::string path_;
    std::string createdRoot_;  // empty when the whole path was there already
    std::vector<std::pair<std::string, std::string>> written_;  // (subkey path, value name)
};

#endif
