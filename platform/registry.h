#pragma once
// The registry: a hierarchical key/value store kept in one text file (registry_format.h), by
// default configDir()/registry.reg. It holds passwords, so the file is mode 0600 and a folder
// it creates is mode 0700.
//
// Several processes (the program and the capture host) share the file. Every write takes an
// exclusive flock on "<file>.lock", reloads the file when another process changed it, applies
// the change and replaces the file atomically (temporary file, fsync, rename). Reads take the
// lock shared and reload only when the file's signature changed. A read therefore never sees a
// half-written file, and two writers never lose each other's changes.
//
// A file that cannot be parsed is reported once (stderr and loadError()), read as an empty
// store, and, before the first write replaces it, kept as "<file>.bad" (or "<file>.bad.N" when
// that exists). A file that exists but cannot be read is never overwritten: writes fail with
// IoError until it is readable again.
//
// Key paths are backslash-separated below a root, e.g. "Software\Fetchwright\Fetchwright\General\";
// names compare case-insensitively and keep their first spelling. The value name "" is the
// key's unnamed value.
//
// Thread safety: any thread; a mutex serialises calls. The functions handed to read() and
// transact() run with that mutex held and must not call back into the same Registry.

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file_lock.h"
#include "platform/paths.h"
#include "platform/registry_tree.h"

namespace fw {

enum class RegRoot { CurrentUser, LocalMachine };

enum class RegStatus {
  Ok = 0,
  NotFound,     // no such key or value
  WrongType,    // the value exists with another type
  InvalidName,  // a key name holds a control character, or the path is empty where a key is needed
  IoError,      // the file could not be read, written or locked
};

// "HKEY_CURRENT_USER" / "HKEY_LOCAL_MACHINE".
const char* regRootName(RegRoot root);

// Read access to a snapshot of the store (inside Registry::read or transact).
class RegView {
 public:
  explicit RegView(RegNode& top) : m_top(top) {}

  bool keyExists(RegRoot root, std::string_view key) const;
  // Ok, NotFound (key or value missing), InvalidName.
  RegStatus queryValue(RegRoot root, std::string_view key, std::string_view name,
                       RegValue& out) const;
  // As queryValue, plus WrongType when the value has another type (`out` then unchanged).
  RegStatus queryDword(RegRoot root, std::string_view key, std::string_view name,
                       uint32_t& out) const;
  RegStatus queryString(RegRoot root, std::string_view key, std::string_view name,
                        std::string& out) const;
  RegStatus queryBinary(RegRoot root, std::string_view key, std::string_view name,
                        std::string& out) const;
  // Names of the direct sub-keys / the values, in the order they were created.
  RegStatus enumSubKeys(RegRoot root, std::string_view key, std::vector<std::string>& out) const;
  RegStatus enumValues(RegRoot root, std::string_view key,
                       std::vector<std::pair<std::string, RegValue>>& out) const;

 protected:
  RegNode* find(RegRoot root, std::string_view key, RegStatus& status) const;
  RegNode& m_top;
};

// Read and write access inside Registry::transact. Changes are written when the transaction
// ends, in one file replacement.
class RegTransaction : public RegView {
 public:
  explicit RegTransaction(RegNode& top) : RegView(top) {}

  // Opens or creates the key and its parents. Ok or InvalidName.
  RegStatus createKey(RegRoot root, std::string_view key);
  // The key (and its parents) is created when missing. Ok or InvalidName.
  RegStatus setValue(RegRoot root, std::string_view key, std::string_view name, RegValue value);
  RegStatus setDword(RegRoot root, std::string_view key, std::string_view name, uint32_t v) {
    return setValue(root, key, name, RegValue::makeDword(v));
  }
  RegStatus setString(RegRoot root, std::string_view key, std::string_view name, std::string text) {
    return setValue(root, key, name, RegValue::makeSz(std::move(text)));
  }
  RegStatus setBinary(RegRoot root, std::string_view key, std::string_view name,
                      std::string bytes) {
    return setValue(root, key, name, RegValue::makeBinary(std::move(bytes)));
  }
  // Ok, NotFound, InvalidName.
  RegStatus deleteValue(RegRoot root, std::string_view key, std::string_view name);
  // Deletes the key with all its sub-keys and values. A root itself cannot be deleted
  // (InvalidName). Ok, NotFound, InvalidName.
  RegStatus deleteKey(RegRoot root, std::string_view key);

  bool changed() const { return m_changed; }

 private:
  bool m_changed = false;
};

class Registry {
 public:
  explicit Registry(std::string filePath);
  // configDir()/registry.reg.
  static std::string defaultPath(const EnvLookup& env = processEnv());

  const std::string& filePath() const { return m_path; }

  // Runs `fn` on the current contents. Ok, or IoError when the lock could not be taken (`fn`
  // then sees the last contents read).
  RegStatus read(const std::function<void(const RegView&)>& fn);
  // Runs `fn` on the current contents under the exclusive lock and writes the result once when
  // `fn` returns true and changed something. `fn` returning false discards its changes.
  // Ok, or IoError when the file could not be locked, read or written (changes then discarded).
  RegStatus transact(const std::function<bool(RegTransaction&)>& fn);

  // One-call forms of the above, each its own read or transaction. Their results are those of
  // RegView / RegTransaction, or IoError from read() / transact().
  bool keyExists(RegRoot root, std::string_view key);
  RegStatus createKey(RegRoot root, std::string_view key);
  RegStatus queryValue(RegRoot root, std::string_view key, std::string_view name, RegValue& out);
  RegStatus queryDword(RegRoot root, std::string_view key, std::string_view name, uint32_t& out);
  RegStatus queryString(RegRoot root, std::string_view key, std::string_view name,
                        std::string& out);
  RegStatus queryBinary(RegRoot root, std::string_view key, std::string_view name,
                        std::string& out);
  RegStatus setValue(RegRoot root, std::string_view key, std::string_view name, RegValue value);
  RegStatus setDword(RegRoot root, std::string_view key, std::string_view name, uint32_t v);
  RegStatus setString(RegRoot root, std::string_view key, std::string_view name, std::string text);
  RegStatus setBinary(RegRoot root, std::string_view key, std::string_view name, std::string bytes);
  RegStatus deleteValue(RegRoot root, std::string_view key, std::string_view name);
  RegStatus deleteKey(RegRoot root, std::string_view key);
  RegStatus enumSubKeys(RegRoot root, std::string_view key, std::vector<std::string>& out);
  RegStatus enumValues(RegRoot root, std::string_view key,
                       std::vector<std::pair<std::string, RegValue>>& out);

  // The last problem this object met reading the file ("" when none). It stays set after the
  // file was rewritten, so that start-up code can still show it.
  std::string loadError() const;
  // Where an unparseable file was kept ("" when none was kept by this object).
  std::string preservedBadFile() const;

 private:
  // Brings m_top up to date with the file; caller holds m_mutex and a file lock.
  void refreshLocked();
  bool preserveBadFileLocked(std::string& error);

  const std::string m_path;
  const std::string m_lockPath;
  mutable std::mutex m_mutex;
  RegNode m_top;
  FileSignature m_signature;  // of the file m_top was read from
  bool m_loaded = false;
  bool m_unparseable = false;   // m_top is empty because the file could not be parsed
  bool m_unreadable = false;    // the file exists but could not be read: never overwrite it
  FileSignature m_reportedBad;  // the bad file already reported, so it is reported once
  std::string m_loadError;
  std::string m_preservedBad;
};

}  // namespace fw
