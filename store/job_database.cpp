#include "store/job_database.h"

#include <algorithm>
#include <map>
#include <memory>
#include <unordered_map>

#include "jobs/queue_hooks.h"
#include "store/crc32.h"

namespace fw {
namespace {

// ---- writing ----

class Writer {
 public:
  explicit Writer(std::string& out) : m_out(out) {}
  void u8(uint8_t v) { m_out.push_back(static_cast<char>(v)); }
  void u16(uint16_t v) { little(v, 2); }
  void u32(uint32_t v) { little(v, 4); }
  void i64(int64_t v) { little(static_cast<uint64_t>(v), 8); }
  void str(const std::string& s) {
    u32(static_cast<uint32_t>(s.size()));
    m_out.append(s);
  }
  void date(const DateStamp& d) {
    u16(d.year);
    u8(d.month);
    u8(d.day);
    u8(d.hour);
    u8(d.minute);
    u8(d.second);
    u8(d.weekday);
  }

 private:
  // Little-endian, appended in one piece: saves encode every job, often.
  void little(uint64_t v, size_t n) {
    char b[8];
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<char>(v >> (8 * i));
    m_out.append(b, n);
  }

  std::string& m_out;
};

void writeJob(Writer& w, const JobRecord& job) {
  w.u8(kDbTagJob);
  w.str(job.url);
  w.str(job.referer);
  w.str(job.saveDir);
  w.str(job.fileName);
  w.u16(job.category);
  w.u16(job.flags);
  w.u16(job.flags2);
  w.u8(job.splitCount);
  w.str(job.comment);
  size_t urls = std::min<size_t>(job.altUrls.size(), 255);
  w.u8(static_cast<uint8_t>(urls));
  for (size_t i = 0; i < urls; ++i) w.str(job.altUrls[i]);
  w.i64(job.fileSize);
  w.i64(job.downloaded);
  w.u32(job.elapsedSeconds);
  w.date(job.fileDate);
  w.date(job.createTime);
  w.date(job.completeTime);
  size_t ranges = std::min<size_t>(job.parts.size(), 255);
  w.u8(static_cast<uint8_t>(ranges));
  auto it = job.parts.begin();
  for (size_t i = 0; i < ranges; ++i, ++it) {
    w.i64(it->start);
    w.i64(it->end);
    w.u8(it->inUse);
    w.u32(0);
  }
  w.u8(job.ftpProxy);
  w.u8(job.httpProxy);
  w.u8(job.option3);
  w.u8(job.option4);
  w.u8(job.rate);
  if (job.flags & jobflags::kLogin) {
    w.str(job.userName);
    w.str(job.password);
  }
}

// ---- reading ----

// Every read checks the remaining length first; a failed read poisons the reader.
class Reader {
 public:
  explicit Reader(std::string_view data) : m_data(data) {}
  bool ok() const { return m_ok; }
  bool atEnd() const { return m_pos >= m_data.size(); }

  uint8_t u8() {
    if (!need(1)) return 0;
    return static_cast<uint8_t>(m_data[m_pos++]);
  }
  uint16_t u16() {
    uint16_t lo = u8();
    return static_cast<uint16_t>(lo | (u8() << 8));
  }
  uint32_t u32() {
    uint32_t lo = u16();
    return lo | (static_cast<uint32_t>(u16()) << 16);
  }
  int64_t i64() {
    uint64_t lo = u32();
    return static_cast<int64_t>(lo | (static_cast<uint64_t>(u32()) << 32));
  }
  std::string str() {
    uint32_t n = u32();
    if (!need(n)) return {};
    std::string s(m_data.substr(m_pos, n));
    m_pos += n;
    return s;
  }
  DateStamp date() {
    DateStamp d;
    d.year = u16();
    d.month = u8();
    d.day = u8();
    d.hour = u8();
    d.minute = u8();
    d.second = u8();
    d.weekday = u8();
    return d;
  }
  void skip(size_t n) {
    if (need(n)) m_pos += n;
  }

 private:
  bool need(size_t n) {
    if (!m_ok || m_data.size() - m_pos < n) {
      m_ok = false;
      m_pos = m_data.size();
      return false;
    }
    return true;
  }

  std::string_view m_data;
  size_t m_pos = 0;
  bool m_ok = true;
};

std::unique_ptr<JobRecord> readJob(Reader& r) {
  auto job = std::make_unique<JobRecord>();
  job->url = r.str();
  job->referer = r.str();
  job->saveDir = r.str();
  job->fileName = r.str();
  job->category = r.u16();
  job->flags = r.u16();
  job->flags2 = r.u16();
  job->splitCount = r.u8();
  job->comment = r.str();
  uint8_t urls = r.u8();
  for (int i = 0; i < urls && r.ok(); ++i) job->altUrls.push_back(r.str());
  job->fileSize = r.i64();
  job->downloaded = r.i64();
  job->elapsedSeconds = r.u32();
  job->fileDate = r.date();
  job->createTime = r.date();
  job->completeTime = r.date();
  uint8_t ranges = r.u8();
  for (int i = 0; i < ranges && r.ok(); ++i) {
    PartRange range;
    range.start = r.i64();
    range.end = r.i64();
    r.u8();  // inUse: nobody works on a range of a freshly loaded job
    r.skip(4);
    job->parts.push_back(range);
  }
  job->ftpProxy = r.u8();
  job->httpProxy = r.u8();
  job->option3 = r.u8();
  job->option4 = r.u8();
  job->rate = r.u8();
  if (job->flags & jobflags::kLogin) {
    job->userName = r.str();
    job->password = r.str();
  }
  if (!r.ok()) return nullptr;
  return job;
}

const char* fixedName(uint16_t id) {
  switch (id) {
    case kCategoryRoot:
      return kRootCategoryName;
    case kCategoryDownload:
      return kDownloadCategoryName;
    case kCategoryDownloaded:
      return kDownloadedCategoryName;
    case kCategoryDeleted:
      return kDeletedCategoryName;
    default:
      return nullptr;
  }
}

int decodeBody(std::string_view bytes, CategoryTree& out) {
  Reader r(bytes.substr(kDbHeaderSize));
  std::unordered_map<uint16_t, CategoryRecord*> byStoredId;
  uint32_t counter = 0;
  CategoryRecord* current = nullptr;
  JobRecord* tail = nullptr;  // of `current`; appending must not walk 100,000 jobs each time
  bool discarding = false;    // jobs of a category record that was skipped

  while (!r.atEnd()) {
    uint8_t tag = r.u8();
    if (tag == kDbTagCategory) {
      auto cat = std::make_unique<CategoryRecord>();
      uint8_t linkKind = r.u8();
      cat->name = r.str();
      cat->saveDir = r.str();
      uint16_t linkId = r.u16();
      cat->storedId = r.u16();
      cat->icon = r.u16();
      cat->kind = r.u8();
      if (!r.ok()) return kDbDamaged;
      if (counter >= kCategoryIdLimit) return kDbDamaged;
      cat->id = static_cast<uint16_t>(counter++);
      if (const char* name = fixedName(cat->id)) cat->name = name;

      CategoryRecord* linkTo = nullptr;
      if (out.root()) {
        auto it = byStoredId.find(linkId);
        if (it == byStoredId.end()) {
          discarding = true;
          current = nullptr;
          continue;
        }
        linkTo = it->second;
      }
      CategoryRecord* raw = cat.get();
      if (!out.attach(std::move(cat), linkTo, linkKind == 1)) return kDbDamaged;
      byStoredId.emplace(raw->storedId, raw);
      current = raw;
      tail = nullptr;
      discarding = false;
    } else if (tag == kDbTagJob) {
      if (!current && !discarding) return kDbDamaged;
      std::unique_ptr<JobRecord> job = readJob(r);
      if (!job) return kDbDamaged;
      if (discarding) continue;
      job->listIndex = tail ? tail->listIndex + 1 : 0;
      job->prev = tail;
      if (tail)
        tail->next = job.get();
      else
        current->firstJob = job.get();
      tail = job.release();
    } else {
      return kDbDamaged;
    }
  }
  if (!r.ok() || counter <= 3) return kDbDamaged;
  for (uint16_t id = 0; id <= kCategoryDeleted; ++id)
    if (!out.findCategory(id)) return kDbDamaged;
  out.setNextId(counter);

  // Ids are renumbered on load, so a job's category must follow its category's new id.
  std::vector<CategoryRecord*> all;
  out.forEachInSaveOrder([&](const CategoryRecord& c, uint8_t, uint16_t) {
    all.push_back(const_cast<CategoryRecord*>(&c));
  });
  for (CategoryRecord* c : all)
    for (JobRecord* j = c->firstJob; j; j = j->next) {
      auto it = byStoredId.find(j->category);
      if (it != byStoredId.end()) j->category = it->second->id;
    }
  return kDbLoaded;
}

}  // namespace

std::string encodeJobDatabase(const CategoryTree& tree, const JobStandIn& standIn) {
  std::string out;
  Writer w(out);
  w.u8(kDbVersion);
  w.u16(static_cast<uint16_t>(std::min<uint32_t>(tree.nextId(), 0xFFFF)));
  w.u32(0);
  w.u16(1);
  w.u16(0);
  tree.forEachInSaveOrder([&](const CategoryRecord& cat, uint8_t linkKind, uint16_t linkId) {
    w.u8(kDbTagCategory);
    w.u8(linkKind);
    w.str(cat.name);
    w.str(cat.saveDir);
    w.u16(linkId);
    w.u16(cat.id);
    w.u16(cat.icon);
    w.u8(cat.kind);
    for (const JobRecord* job = cat.firstJob; job; job = job->next) {
      const JobRecord* written = standIn ? standIn(*job) : nullptr;
      writeJob(w, written ? *written : *job);
    }
  });
  uint32_t crc = crc32(out.data() + kDbHeaderSize, out.size() - kDbHeaderSize);
  for (int i = 0; i < 4; ++i) out[3 + i] = static_cast<char>(crc >> (8 * i));
  return out;
}

int decodeJobDatabase(std::string_view bytes, CategoryTree& out) {
  out.clear();
  if (bytes.size() < kDbHeaderSize) return kDbDamaged;
  if (static_cast<uint8_t>(bytes[0]) >= kDbRefusedVersion) return kDbDamaged;
  uint32_t stored = 0;
  for (int i = 0; i < 4; ++i)
    stored |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[3 + i])) << (8 * i);
  if (crc32(bytes.data() + kDbHeaderSize, bytes.size() - kDbHeaderSize) != stored)
    return kDbDamaged;
  int result = decodeBody(bytes, out);
  if (result != kDbLoaded) out.clear();
  return result;
}

int saveJobDatabase(const std::string& path, const CategoryTree& tree,
                    const AtomicWriteOptions& options, const JobStandIn& standIn) {
  return writeFileAtomically(path, encodeJobDatabase(tree, standIn), options) ? 1 : 0;
}

int loadJobDatabase(const std::string& path, CategoryTree& tree, QueueHooks* queue) {
  if (queue) queue->clearAll();
  tree.clear();
  std::string bytes;
  if (!readWholeFile(path, bytes) || bytes.empty()) return kDbCannotOpen;
  int result = decodeJobDatabase(bytes, tree);
  if (result == kDbLoaded && queue) {
    CategoryRecord* download = tree.findCategory(kCategoryDownload);
    for (JobRecord* j = download->firstJob; j; j = j->next)
      if (j->startMode() == kStartSchedule) queue->addToSchedule(*j);
  }
  return result;
}

void buildDefaultTree(CategoryTree& tree, const std::string& downloadFolder) {
  tree.clear();
  const std::string dl = downloadFolder;
  auto sub = [&](const char* name) {
    return dl.empty() || dl.back() != '/' ? dl + "/" + name : dl + name;
  };
  CategoryRecord* root = tree.createRoot(kRootCategoryName, dl, 1, 0);
  tree.appendChild(*root, kDownloadCategoryName, dl, 0x11, 1);
  CategoryRecord* done = tree.appendChild(*root, kDownloadedCategoryName, dl, 0x61, 1);
  tree.appendChild(*root, kDeletedCategoryName, sub("Deleted"), 0x40, 1);
  for (const char* name : {"Document", "Game", "Music", "Driver"})
    tree.appendChild(*done, name, sub(name), 0x20, 2);
}

std::string defaultDatabasePath(const std::string& dataFolder) {
  if (!dataFolder.empty() && dataFolder.back() == '/') return dataFolder + kDefaultDbName;
  return dataFolder + "/" + kDefaultDbName;
}

}  // namespace fw
