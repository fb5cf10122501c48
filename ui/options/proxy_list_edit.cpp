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
  m_http = valid(static_cast<int>(s.defaultHttp)) ? static_cast<int>(s.defaultHttp) : 0;
  m_ftp = valid(static_cast<int>(s.defaultFtp)) ? static_cast<int>(s.defaultFtp) : 0;
}

void ProxyListEdit::add(const ProxyRecord& r) {
  m_rows.push_back(r);
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
  s.defaultHttp = static_cast<uint32_t>(m_http);
  s.defaultFtp = static_cast<uint32_t>(m_ftp);
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
