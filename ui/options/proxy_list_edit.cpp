#include "ui/options/proxy_list_edit.h"

namespace fw {

namespace {
constexpr uint32_t kOfferedFlags = proxyflags::kNoCache | proxyflags::kPassive;

bool blank(const std::string& s) {
  return s.find_first_not_of(" \t") == std::string::npos;
}
}  // namespace

ProxyListEdit::ProxyListEdit(const ProxySettings& s)
    : m_rows(s.proxies), m_newFlags(s.flags & kOfferedFlags) {
  if (m_rows.empty()) m_rows.push_back(ProxySettings::directConnection());
  m_openedCount = m_rows.size();
  for (size_t i = 0; i < m_rows.size(); ++i) m_origin.push_back(static_cast<int>(i) + 1);
  auto rowOf = [this](uint32_t index) {
    return index >= 1 && index <= m_rows.size() ? static_cast<int>(index) - 1 : 0;
  };
  m_http = rowOf(s.defaultHttp);
  m_ftp = rowOf(s.defaultFtp);
}

std::vector<int> ProxyListEdit::jobIndexes() const {
  std::vector<int> to(m_openedCount + 1, 1);
  to[0] = 0;
  for (size_t row = 0; row < m_origin.size(); ++row)
    if (m_origin[row] != 0) to[static_cast<size_t>(m_origin[row])] = static_cast<int>(row) + 1;
  for (size_t i = 1; i < to.size(); ++i)
    if (to[i] != static_cast<int>(i)) return to;
  return {};
}

void ProxyListEdit::add(const ProxyRecord& r) {
  m_rows.push_back(r);
  m_origin.push_back(0);
  m_newFlags = r.flags & kOfferedFlags;
}

void ProxyListEdit::replace(int row, const ProxyRecord& r) {
  if (!valid(row)) return;
  m_rows[static_cast<size_t>(row)] = r;
  m_newFlags = r.flags & kOfferedFlags;
}

bool ProxyListEdit::remove(int row) {
  if (row <= 0 || !valid(row)) return false;
  m_rows.erase(m_rows.begin() + row);
  m_origin.erase(m_origin.begin() + row);
  auto follow = [row](int& def) {
    if (def == row)
      def = 0;
    else if (def > row)
      --def;
  };
  follow(m_http);
  follow(m_ftp);
  return true;
}

void ProxyListEdit::setDefaultHttp(int row) {
  if (valid(row)) m_http = row;
}

void ProxyListEdit::setDefaultFtp(int row) {
  if (valid(row)) m_ftp = row;
}

void ProxyListEdit::store(ProxySettings& s) const {
  s.proxies = m_rows;
  // The direct connection keeps the stored default's own value, 0.
  auto indexOf = [](int row) { return row == 0 ? 0u : static_cast<uint32_t>(row) + 1; };
  s.defaultHttp = indexOf(m_http);
  s.defaultFtp = indexOf(m_ftp);
  s.flags = (s.flags & ~kOfferedFlags) | m_newFlags;
}

ProxyForm ProxyForm::load(const ProxyRecord& r) {
  ProxyForm f;
  f.title = r.title;
  f.server = r.server;
  f.port = r.port ? std::to_string(r.port) : std::string();
  f.user = r.user;
  f.pass = r.pass;
  f.type = r.type;
  f.flags = r.flags;
  return f;
}

FieldError ProxyForm::check() const {
  if (blank(title)) return {kTitle, kProxyTitleText};
  if (direct()) return {};
  if (blank(server)) return {kServer, kProxyServerText};
  int64_t p = 0;
  if (!readInteger(port, p) || p < 1 || p > 65535) return {kPort, kProxyPortText};
  return {};
}

ProxyRecord ProxyForm::record() const {
  ProxyRecord r;
  r.title = title;
  r.server = server;
  r.type = static_cast<uint8_t>(type);
  r.flags = flags;
  int64_t p = 0;
  if (!direct() && readInteger(port, p)) r.port = static_cast<uint16_t>(p);
  if (flags & proxyflags::kAuthenticate) {
    r.user = user;
    r.pass = pass;
  }
  return r;
}

}  // namespace fw
