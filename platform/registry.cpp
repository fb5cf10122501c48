#include "platform/registry.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/registry_format.h"

namespace fw {
namespace {

template <typename Fn>
RegStatus queryTyped(const RegView& view, RegRoot root, std::string_view key, std::string_view name,
                     RegType type, Fn&& take) {
  RegValue v;
  RegStatus st = view.queryValue(root, key, name, v);
  if (st != RegStatus::Ok) return st;
  if (v.type != type) return RegStatus::WrongType;
  take(v);
  return RegStatus::Ok;
}

}  // namespace

const char* regRootName(RegRoot root) {
  return root == RegRoot::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

// ---- RegView ----

RegNode* RegView::find(RegRoot root, std::string_view key, RegStatus& status) const {
  std::vector<std::string> names;
  if (!splitKeyPath(key, names)) {
    status = RegStatus::InvalidName;
    return nullptr;
  }
  RegNode* node = m_top.findChild(regRootName(root));
  for (size_t i = 0; node && i < names.size(); ++i) node = node->findChild(names[i]);
  status = node ? RegStatus::Ok : RegStatus::NotFound;
  // A root always exists, even before anything was stored below it.
  if (!node && names.empty()) status = RegStatus::Ok;
  return node;
}

bool RegView::keyExists(RegRoot root, std::string_view key) const {
  RegStatus st;
  find(root, key, st);
  return st == RegStatus::Ok;
}

RegStatus RegView::queryValue(RegRoot root, std::string_view key, std::string_view name,
                              RegValue& out) const {
  RegStatus st;
  const RegNode* node = find(root, key, st);
  if (st != RegStatus::Ok) return st;
  const RegValue* v = node ? node->findValue(name) : nullptr;
  if (!v) return RegStatus::NotFound;
  out = *v;
  return RegStatus::Ok;
}

RegStatus RegView::queryDword(RegRoot root, std::string_view key, std::string_view name,
                              uint32_t& out) const {
  return queryTyped(*this, root, key, name, RegType::Dword,
                    [&](const RegValue& v) { out = v.dword; });
}

RegStatus RegView::queryString(RegRoot root, std::string_view key, std::string_view name,
                               std::string& out) const {
  return queryTyped(*this, root, key, name, RegType::Sz, [&](const RegValue& v) { out = v.data; });
}

RegStatus RegView::queryBinary(RegRoot root, std::string_view key, std::string_view name,
                               std::string& out) const {
  return queryTyped(*this, root, key, name, RegType::Binary,
                    [&](const RegValue& v) { out = v.data; });
}

RegStatus RegView::enumSubKeys(RegRoot root, std::string_view key,
                               std::vector<std::string>& out) const {
  out.clear();
  RegStatus st;
  const RegNode* node = find(root, key, st);
  if (node) {
    for (const auto& c : node->children) out.push_back(c->name);
  }
  return st;
}

RegStatus RegView::enumValues(RegRoot root, std::string_view key,
                              std::vector<std::pair<std::string, RegValue>>& out) const {
  out.clear();
  RegStatus st;
  const RegNode* node = find(root, key, st);
  if (node) out = node->values;
  return st;
}

// ---- RegTransaction ----

RegStatus RegTransaction::createKey(RegRoot root, std::string_view key) {
  std::vector<std::string> names;
  if (!splitKeyPath(key, names)) return RegStatus::InvalidName;
  RegNode* node = &m_top;
  names.insert(names.begin(), regRootName(root));
  for (const auto& n : names) {
    if (!node->findChild(n)) m_changed = true;
    node = &node->childOrCreate(n);
  }
  return RegStatus::Ok;
}

RegStatus RegTransaction::setValue(RegRoot root, std::string_view key, std::string_view name,
                                   RegValue value) {
  RegStatus st = createKey(root, key);
  if (st != RegStatus::Ok) return st;
  RegStatus found;
  RegNode* node = find(root, key, found);
  if (node->setValue(name, std::move(value))) m_changed = true;
  return RegStatus::Ok;
}

RegStatus RegTransaction::deleteValue(RegRoot root, std::string_view key, std::string_view name) {
  RegStatus st;
  RegNode* node = find(root, key, st);
  if (st != RegStatus::Ok) return st;
  if (!node || !node->removeValue(name)) return RegStatus::NotFound;
  m_changed = true;
  return RegStatus::Ok;
}

RegStatus RegTransaction::deleteKey(RegRoot root, std::string_view key) {
  std::vector<std::string> names;
  if (!splitKeyPath(key, names) || names.empty()) return RegStatus::InvalidName;
  RegNode* parent = m_top.findChild(regRootName(root));
  for (size_t i = 0; parent && i + 1 < names.size(); ++i) parent = parent->findChild(names[i]);
  if (!parent || !parent->removeChild(names.back())) return RegStatus::NotFound;
  m_changed = true;
  return RegStatus::Ok;
}

// ---- Registry ----

Registry::Registry(std::string filePath)
    : m_path(std::move(filePath)), m_lockPath(m_path + ".lock") {}

std::string Registry::defaultPath(const EnvLookup& env) {
  return configDir(env) + "/registry.reg";
}

void Registry::refreshLocked() {
  FileSignature sig = fileSignature(m_path);
  int statErr = sig.exists ? 0 : errno;
  if (m_loaded && sig == m_signature) return;
  m_top.children.clear();
  m_top.values.clear();
  m_unparseable = false;
  m_unreadable = false;
  m_signature = sig;
  m_loaded = true;

  std::string text;
  int err = statErr;
  if (sig.exists && !readFileContents(m_path, text, err)) sig.exists = false;
  if (!sig.exists) {
    if (err == ENOENT || err == ENOTDIR) return;  // no store yet: empty
    m_unreadable = true;
    m_loadError = m_path + ": cannot be read: " + std::strerror(err);
    if (!(m_reportedBad == sig)) {
      m_reportedBad = sig;
      std::fprintf(stderr, "fetchwright: registry %s; it is left untouched\n", m_loadError.c_str());
    }
    m_loaded = false;  // try again next time
    return;
  }
  std::string why;
  if (parseRegText(text, m_top, why)) return;
  m_unparseable = true;
  m_loadError = m_path + ": " + why;
  if (!(m_reportedBad == sig)) {
    m_reportedBad = sig;
    std::fprintf(stderr,
                 "fetchwright: registry %s; read as empty, the file will be kept as %s.bad (or "
                 ".bad.N) before it is rewritten\n",
                 m_loadError.c_str(), m_path.c_str());
  }
}

bool Registry::preserveBadFileLocked(std::string& error) {
  for (int n = 1; n <= 100; ++n) {
    std::string candidate = m_path + ".bad" + (n == 1 ? std::string() : "." + std::to_string(n));
    if (fileSignature(candidate).exists) continue;
    if (::link(m_path.c_str(), candidate.c_str()) == 0) {
      m_preservedBad = candidate;
      return true;
    }
    if (errno == EEXIST) continue;
    // File systems without hard links: copy instead.
    std::string text;
    int err = 0;
    if (!readFileContents(m_path, text, err)) {
      error = "cannot read " + m_path + ": " + std::strerror(err);
      return false;
    }
    if (!writeFileReplacing(candidate, text, 0600, &error)) return false;
    m_preservedBad = candidate;
    return true;
  }
  error = "no free name to keep the unreadable " + m_path;
  return false;
}

RegStatus Registry::read(const std::function<void(const RegView&)>& fn) {
  std::lock_guard<std::mutex> guard(m_mutex);
  // Readers never create the lock file: without it no writer of ours has run, and a file
  // replaced by rename is never seen half-written anyway.
  FileLock lock(m_lockPath, FileLock::Mode::Shared, false);
  RegStatus status = RegStatus::Ok;
  if (!lock.locked() && lock.error() != ENOENT && lock.error() != ENOTDIR) {
    status = RegStatus::IoError;
  } else {
    refreshLocked();
    if (m_unreadable) status = RegStatus::IoError;
  }
  RegView view(m_top);
  fn(view);
  return status;
}

RegStatus Registry::transact(const std::function<bool(RegTransaction&)>& fn) {
  std::lock_guard<std::mutex> guard(m_mutex);
  std::string error;
  if (!makeDirs(parentDir(m_path), 0700, &error)) {
    std::fprintf(stderr, "fetchwright: registry %s\n", error.c_str());
    return RegStatus::IoError;
  }
  FileLock lock(m_lockPath, FileLock::Mode::Exclusive, true);
  if (!lock.locked()) return RegStatus::IoError;
  refreshLocked();
  if (m_unreadable) return RegStatus::IoError;

  RegTransaction tx(m_top);
  bool keep = fn(tx);
  if (!tx.changed()) return RegStatus::Ok;
  if (!keep) {
    m_loaded = false;  // the tree holds discarded changes: read the file again next time
    return RegStatus::Ok;
  }
  if (m_unparseable && !preserveBadFileLocked(error)) {
    std::fprintf(stderr, "fetchwright: registry not written: %s\n", error.c_str());
    m_loaded = false;
    return RegStatus::IoError;
  }
  if (!writeFileReplacing(m_path, formatRegText(m_top), 0600, &error)) {
    std::fprintf(stderr, "fetchwright: registry not written: %s\n", error.c_str());
    m_loaded = false;
    return RegStatus::IoError;
  }
  m_unparseable = false;
  m_signature = fileSignature(m_path);
  return RegStatus::Ok;
}

bool Registry::keyExists(RegRoot root, std::string_view key) {
  bool exists = false;
  read([&](const RegView& v) { exists = v.keyExists(root, key); });
  return exists;
}

RegStatus Registry::createKey(RegRoot root, std::string_view key) {
  RegStatus st = RegStatus::Ok;
  RegStatus io = transact([&](RegTransaction& t) {
    st = t.createKey(root, key);
    return true;
  });
  return io != RegStatus::Ok ? io : st;
}

RegStatus Registry::queryValue(RegRoot root, std::string_view key, std::string_view name,
                               RegValue& out) {
  RegStatus st = RegStatus::NotFound;
  RegStatus io = read([&](const RegView& v) { st = v.queryValue(root, key, name, out); });
  return io != RegStatus::Ok ? io : st;
}

RegStatus Registry::queryDword(RegRoot root, std::string_view key, std::string_view name,
                               uint32_t& out) {
  RegStatus st = RegStatus::NotFound;
  RegStatus io = read([&](const RegView& v) { st = v.queryDword(root, key, name, out); });
  return io != RegStatus::Ok ? io : st;
}

RegStatus Registry::queryString(RegRoot root, std::string_view key, std::string_view name,
                                std::string& out) {
  RegStatus st = RegStatus::NotFound;
  RegStatus io = read([&](const RegView& v) { st = v.queryString(root, key, name, out); });
  return io != RegStatus::Ok ? io : st;
}

RegStatus Registry::queryBinary(RegRoot root, std::string_view key, std::string_view name,
                                std::string& out) {
  RegStatus st = RegStatus::NotFound;
  RegStatus io = read([&](const RegView& v) { st = v.queryBinary(root, key, name, out); });
  return io != RegStatus::Ok ? io : st;
}

RegStatus Registry::setValue(RegRoot root, std::string_view key, std::string_view name,
                             RegValue value) {
  RegStatus st = RegStatus::Ok;
  RegStatus io = transact([&](RegTransaction& t) {
    st = t.setValue(root, key, name, std::move(value));
    return st == RegStatus::Ok;
  });
  return io != RegStatus::Ok ? io : st;
}

RegStatus Registry::setDword(RegRoot root, std::string_view key, std::string_view name,
                             uint32_t v) {
  return setValue(root, key, name, RegValue::makeDword(v));
}

RegStatus Registry::setString(RegRoot root, std::string_view key, std::string_view name,
                              std::string text) {
  return setValue(root, key, name, RegValue::makeSz(std::move(text)));
}

RegStatus Registry::setBinary(RegRoot root, std::string_view key, std::string_view name,
                              std::string bytes) {
  return setValue(root, key, name, RegValue::makeBinary(std::move(bytes)));
}

RegStatus Registry::deleteValue(RegRoot root, std::string_view key, std::string_view name) {
  RegStatus st = RegStatus::Ok;
  RegStatus io = transact([&](RegTransaction& t) {
    st = t.deleteValue(root, key, name);
    return st == RegStatus::Ok;
  });
  return io != RegStatus::Ok ? io : st;
}

RegStatus Registry::deleteKey(RegRoot root, std::string_view key) {
  RegStatus st = RegStatus::Ok;
  RegStatus io = transact([&](RegTransaction& t) {
    st = t.deleteKey(root, key);
    return st == RegStatus::Ok;
  });
  return io != RegStatus::Ok ? io : st;
}

RegStatus Registry::enumSubKeys(RegRoot root, std::string_view key, std::vector<std::string>& out) {
  RegStatus st = RegStatus::NotFound;
  RegStatus io = read([&](const RegView& v) { st = v.enumSubKeys(root, key, out); });
  return io != RegStatus::Ok ? io : st;
}

RegStatus Registry::enumValues(RegRoot root, std::string_view key,
                               std::vector<std::pair<std::string, RegValue>>& out) {
  RegStatus st = RegStatus::NotFound;
  RegStatus io = read([&](const RegView& v) { st = v.enumValues(root, key, out); });
  return io != RegStatus::Ok ? io : st;
}

std::string Registry::loadError() const {
  std::lock_guard<std::mutex> guard(m_mutex);
  return m_loadError;
}

std::string Registry::preservedBadFile() const {
  std::lock_guard<std::mutex> guard(m_mutex);
  return m_preservedBad;
}

}  // namespace fw
