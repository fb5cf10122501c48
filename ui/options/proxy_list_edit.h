#pragma once
// The proxy list as the "Proxy" page edits it, and the checks of the "Proxy Setting"
// dialog, without widgets.
//
// Main thread only.

#include <string>
#include <vector>

#include "store/settings_records.h"
#include "ui/options/options_forms.h"

namespace fw {

inline constexpr const char* kProxyTitleText = "Invalid proxy Title";
inline constexpr const char* kProxyServerText = "Invalid proxy Server";
inline constexpr const char* kProxyPortText = "Invalid proxy port";

// The rows of the page: the records in list order and which are the HTTP and FTP
// defaults. "DefaultHttp" and "DefaultFtp" hold proxy indexes as jobs do (numbered from 1,
// an index that does not exist meaning the direct connection); the page works on 0-based
// rows.
class ProxyListEdit {
 public:
  explicit ProxyListEdit(const ProxySettings& s);

  const std::vector<ProxyRecord>& rows() const { return m_rows; }
  int defaultHttp() const { return m_http; }
  int defaultFtp() const { return m_ftp; }
  // Where each proxy index of the list the page was opened with now points, for the jobs
  // that chose it: element i is the new index of old index i (1..old count); a deleted
  // proxy gives 1, the direct connection, as a deleted default does. Empty while no row
  // was deleted, since adding and editing move nothing.
  std::vector<int> jobIndexes() const;
  // The "No-Cache" and "PASV Mode" state offered to the next new record.
  uint32_t newRecordFlags() const { return m_newFlags; }

  void add(const ProxyRecord& r);
  void replace(int row, const ProxyRecord& r);
  // The first row (the direct connection) cannot be deleted: false. A deleted default
  // falls back to the first row; defaults below the deleted row move up with it.
  bool remove(int row);
  void setDefaultHttp(int row);
  void setDefaultFtp(int row);

  void store(ProxySettings& s) const;

 private:
  bool valid(int row) const { return row >= 0 && row < static_cast<int>(m_rows.size()); }

  std::vector<ProxyRecord> m_rows;
  // The proxy index each row had when the page was opened; 0 for a row added since.
  std::vector<int> m_origin;
  size_t m_openedCount = 0;
  int m_http = 0;
  int m_ftp = 0;
  uint32_t m_newFlags = 0;
};

// The "Proxy Setting" dialog's fields.
struct ProxyForm {
  enum Field { kTitle, kServer, kPort };
  // The type buttons shown, in the dialog's order; the record holds the position in the
  // full list ("Direct Connection" 0 ... "SOCKS5" 9).
  static constexpr int kShownTypes[4] = {kProxyDirect, kProxyHttpConnect, kProxySocks4,
                                         kProxySocks5};
  static constexpr const char* kShownCaptions[4] = {"Direct Connection", "HTTP <Connect>", "SOCKS4",
                                                    "SOCKS5"};

  std::string title;
  std::string server;
  std::string port;
  std::string user;
  std::string pass;
  int type = kProxyDirect;
  uint32_t flags = 0;  // proxyflags bits

  static ProxyForm load(const ProxyRecord& r);
  bool direct() const { return type == kProxyDirect; }
  // Title, then (unless direct) server and port; a port that does not read as 1 to
  // 65535 is refused.
  FieldError check() const;
  // After check() passed: the port 0 for a direct connection; user and password only
  // while "Authenticate" is checked.
  ProxyRecord record() const;
};

}  // namespace fw
