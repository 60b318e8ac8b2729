// The public face of an NTX index: opening a file and checking its header, and the calls that
// hand over to the parts (the cursor, the changes, the verification).
#include "engine/Ntx.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engine/Files.h"
#include "engine/NtxImpl.h"

namespace xb {

using namespace ntx;

NtxIndex::NtxIndex() : impl_(std::make_unique<Impl>()) {}

NtxIndex::~NtxIndex() {
    if (impl_ && impl_->fd >= 0) {
        (void)impl_->flush(false);
        ::close(impl_->fd);
    }
}

Status NtxIndex::open(const std::string& path, bool readOnly, std::unique_ptr<NtxIndex>& out) {
    return open(path, readOnly, true, out);
}

Status NtxIndex::reader(std::unique_ptr<NtxIndex>& out) const {
    return open(impl_->path, true, false, out);
}

Status NtxIndex::open(const std::string& path, bool readOnly, bool checkBranches,
                      std::unique_ptr<NtxIndex>& out) {
    out.reset();
    std::unique_ptr<NtxIndex> idx(new NtxIndex());
    Impl& m = *idx->impl_;
    m.path = path;
    m.readOnly = readOnly;
    m.fd = OpenFile(path, (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    if (m.fd < 0)
        return Status::Error(e4open,
                             "cannot open index file " + path + ": " + std::strerror(errno));
    auto bad = [&](const std::string& what) {
        return Status::Error(e4index, "index file " + path + " is damaged: " + what);
    };
    uint64_t size = 0;
    if (Status s = FileSize(m.fd, size, path); !s.ok()) return s;
    if (size < kPage)
        return bad("it is " + std::to_string(size) + " bytes long, shorter than its header page");
    if (size > kMaxFileEnd + kPage) size = kMaxFileEnd + kPage;
    m.fileEnd = size / kPage * kPage;
    if (Status s = ReadAt(m.fd, m.hdr, kPage, 0, path); !s.ok()) return s;
    const uint8_t* h = m.hdr;
    uint16_t sig = Get16(h + kOffSignature);
    if (!SignatureOk(sig))
        return bad("signature " + std::to_string(sig) + " is not that of an NTX file");
    if (h[kOffMark] == kChangingMark)
        return Status::Error(e4index, "index file " + path +
                                          " was being changed when its writer stopped; rebuild it");
    m.keySize = Get16(h + kOffKeySize);
    m.itemSize = Get16(h + kOffItemSize);
    m.maxItems = Get16(h + kOffMaxItems);
    m.half = Get16(h + kOffHalf);
    if (m.keySize < 1 || m.keySize > kNtxMaxKey)
        return bad("key size " + std::to_string(m.keySize) + " is outside 1 to 256");
    if (m.itemSize != m.keySize + 8)
        return bad("item size " + std::to_string(m.itemSize) + " does not match key size " +
                   std::to_string(m.keySize));
    if (m.maxItems < 2 || 2u + (m.maxItems + 1u) * (m.itemSize + 2u) > kPage)
        return bad(std::to_string(m.maxItems) + " items of " + std::to_string(m.itemSize) +
                   " bytes do not fit a page");
    if (m.half < 1 || m.half > m.maxItems / 2)
        return bad("half page " + std::to_string(m.half) + " does not suit " +
                   std::to_string(m.maxItems) + " items per page");
    m.root = Get32(h + kOffRoot);
    if (!m.pageInFile(m.root))
        return bad("root page " + std::to_string(m.root) + " lies outside the file");
    m.freeHead = Get32(h + kOffFree);
    if (m.freeHead != 0 && !m.pageInFile(m.freeHead))
        return bad("first free page " + std::to_string(m.freeHead) + " lies outside the file");
    m.version = Get16(h + kOffVersion);
    auto text = [&](size_t at, size_t field, std::string& dst) {
        const void* nul = std::memchr(h + at, 0, field);
        if (!nul) return false;
        dst.assign(reinterpret_cast<const char*>(h + at),
                   static_cast<const uint8_t*>(nul) - (h + at));
        return true;
    };
    NtxSpec& sp = m.spec;
    if (!text(kOffKeyExpr, kExprField, sp.keyExpr))
        return bad("the key expression is not terminated within its field");
    if (sig & kSigForItem) {
        if (!text(kOffForExpr, kExprField, sp.forExpr))
            return bad("the FOR expression is not terminated within its field");
    }
    if (sig != kSigOld) {
        std::string name;
        if (text(kOffTagName, kTagField, name) && name.size() <= kMaxTagName) sp.tagName = name;
        sp.descending = h[kOffDescend] != 0;
    }
    sp.keySize = m.keySize;
    sp.keyDec = Get16(h + kOffKeyDec);
    sp.unique = h[kOffUnique] != 0;
    m.buildSlotTable();
    m.curKey.reserve(m.keySize);
    m.findKey.reserve(m.keySize);
    if (checkBranches)
        if (int rc = m.checkBranches()) return m.status(rc);
    out = std::move(idx);
    return Status::Ok();
}

const NtxSpec& NtxIndex::spec() const {
    return impl_->spec;
}
const std::string& NtxIndex::path() const {
    return impl_->path;
}

void NtxIndex::renamed(const std::string& path) {
    impl_->path = path;
}

Status NtxIndex::prepareChange() {
    Impl& m = *impl_;
    if (m.readOnly) return Status::Error(e4info, m.path + " is open read-only");
    if (m.broken)
        return Status::Error(
            e4index,
            "index file " + m.path + " was left half-changed by an earlier failure; rebuild it");
    return m.status(m.markChanging());
}

Status NtxIndex::setChangingMark(const std::string& path, bool on) {
    int fd = OpenFile(path, O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return Status::Error(e4open,
                             "cannot open index file " + path + ": " + std::strerror(errno));
    uint8_t sig[2];
    Status s = ReadAt(fd, sig, sizeof sig, 0, path);
    if (s.ok() && !SignatureOk(Get16(sig)))
        s = Status::Error(e4index, "index file " + path +
                                       " is damaged: its signature is not that "
                                       "of an NTX file");
    const uint8_t mark = on ? kChangingMark : 0;
    if (s.ok()) s = WriteAt(fd, &mark, 1, kOffMark, path);
    if (s.ok()) s = SyncFd(fd, path);
    ::close(fd);
    return s;
}

Status NtxIndex::insert(std::string_view key, uint32_t recno) {
    Impl& m = *impl_;
    if (key.size() != m.keySize)
        return Status::Error(e4parm, "index file " + m.path + " takes keys of " +
                                         std::to_string(m.keySize) + " bytes, not " +
                                         std::to_string(key.size()));
    return m.status(m.insert(reinterpret_cast<const uint8_t*>(key.data()), recno));
}

Status NtxIndex::remove(std::string_view key, uint32_t recno) {
    Impl& m = *impl_;
    if (key.size() != m.keySize)
        return Status::Error(e4parm, "index file " + m.path + " takes keys of " +
                                         std::to_string(m.keySize) + " bytes, not " +
                                         std::to_string(key.size()));
    return m.status(m.remove(reinterpret_cast<const uint8_t*>(key.data()), recno));
}

int NtxIndex::top() {
    return impl_->top();
}
int NtxIndex::bottom() {
    return impl_->bottom();
}
int NtxIndex::next() {
    return impl_->next();
}
int NtxIndex::prev() {
    return impl_->prev();
}

int NtxIndex::seek(std::string_view key) {
    Impl& m = *impl_;
    if (key.size() > m.keySize) {
        m.lose(0);
        return m.fail(e4parm, "a seek key of " + std::to_string(key.size()) +
                                  " bytes is longer than the keys of " + m.path);
    }
    return m.seekPrefix(reinterpret_cast<const uint8_t*>(key.data()), key.size());
}

int NtxIndex::seekEntry(std::string_view key, uint32_t recno) {
    Impl& m = *impl_;
    if (key.size() != m.keySize) {
        m.lose(0);
        return m.fail(e4parm, "an entry key of " + std::to_string(key.size()) +
                                  " bytes does not fit the keys of " + m.path);
    }
    return m.seekEntry(reinterpret_cast<const uint8_t*>(key.data()), recno);
}

const std::string& NtxIndex::lastError() const {
    return impl_->lastError;
}

bool NtxIndex::positioned() const {
    return impl_->pos == Impl::Pos::Entry;
}
uint32_t NtxIndex::recno() const {
    return impl_->curRec;
}
uint32_t NtxIndex::recnoAhead(int steps) const {
    const Impl& m = *impl_;
    if (m.pos != Impl::Pos::Entry || m.pathStamp != m.changes || m.depth == 0) return 0;
    const Impl::Level& l = m.trail[m.depth - 1];
    const Impl::CachedPage* p = m.map.find(l.off);
    if (!p || ntx::Child(p->d, 0) != 0 || l.idx + steps >= ntx::Count(p->d)) return 0;
    return ntx::Rec(p->d, l.idx + steps);
}
long NtxIndex::count(std::string_view from, std::string_view through,
                     std::vector<uint32_t>* recnos) {
    if (!recnos) return count(from, through, std::function<void(const uint32_t*, size_t)>());
    return count(from, through, [recnos](const uint32_t* given, size_t n) {
        recnos->insert(recnos->end(), given, given + n);
    });
}

long NtxIndex::count(std::string_view from, std::string_view through,
                     const std::function<void(const uint32_t*, size_t)>& take) {
    Impl& m = *impl_;
    if (from.size() > m.keySize)
        return m.fail(e4parm, "a seek key of " + std::to_string(from.size()) +
                                  " bytes is longer than the keys of " + m.path);
    through = through.substr(0, m.keySize);
    Impl::Range range{reinterpret_cast<const uint8_t*>(from.data()),
                      from.size(),
                      reinterpret_cast<const uint8_t*>(through.data()),
                      through.size(),
                      m.fileEnd / ntx::kPage,
                      take ? &take : nullptr};
    long total = 0;
    if (int rc = m.countRange(m.root, range, nullptr, nullptr, false, false, 0, total)) return rc;
    return total;
}

bool NtxIndex::allWritten() const {
    const Impl& m = *impl_;
    if (m.marked || m.headerDirty || m.broken) return false;
    for (const auto& frame : m.frames)
        if (frame->dirty) return false;
    return true;
}

std::string_view NtxIndex::key() const {
    return impl_->curKey;
}

Status NtxIndex::flush() {
    return impl_->status(impl_->flush(false));
}
Status NtxIndex::sync() {
    return impl_->status(impl_->flush(true));
}

bool NtxIndex::verify(const std::function<void(std::string_view key, uint32_t recno)>& visit,
                      std::vector<std::string>& problems) {
    return impl_->verify(visit, problems);
}

void NtxIndex::setCacheLimit(size_t pages) {
    Impl& m = *impl_;
    m.limit = std::max<size_t>(pages, 1);
    (void)m.shrinkTo(m.limit);
}

}  // namespace xb
