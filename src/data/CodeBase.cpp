#include "data/CodeBase.h"

#include <QString>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "data/Messages.h"
#include "data/ProgramExit.h"
#include "engine/CodePage.h"
#include "engine/NumberText.h"

namespace {

std::string& StrBuffer() {
    static std::string buffer;
    return buffer;
}

// A failed tag lookup leaves its code pending, as a failed open does.
void RaiseTagName(DATA4* d, const char* name) {
    d->engine().raise(xb::e4tagName,
                      "tag " + std::string(name ? name : "") + " not found in " + d->path());
}

}  // namespace

CODE4* code4initP() {
    return new xb::Engine();
}

int code4initUndoP(CODE4* cb) {
    if (!cb) return 0;
    int rc = cb->closeAll();
    delete cb;
    return rc;
}

int code4autoOpen(CODE4* cb, int on) {
    int old = cb->settings.autoOpen;
    cb->settings.autoOpen = on != 0;
    return old;
}

int code4safety(CODE4* cb, int on) {
    int old = cb->settings.safety;
    cb->settings.safety = on != 0;
    return old;
}

int code4accessMode(CODE4* cb, int mode) {
    int old = cb->settings.accessMode;
    cb->settings.accessMode = mode;
    return old;
}

int code4errTagName(CODE4* cb, int on) {
    int old = cb->settings.errTagName;
    cb->settings.errTagName = on != 0;
    return old;
}

int code4errorCode(CODE4* cb, int value) {
    return cb->takeError(value);
}

int error4exitTest(CODE4* cb) {
    if (ShowEngineError(cb)) code4exit(cb);
    return 0;
}

bool ShowEngineError(CODE4* cb) {
    if (!cb || cb->errorCode() >= 0) return false;
    QString text = QString::fromStdString(xb::Cp1252ToUtf8(cb->errorMessage()));
    kvl::ShowMessage(kvl::MsgKind::Error,
                     QStringLiteral("Error %1: %2").arg(cb->errorCode()).arg(text));
    cb->takeError();
    return true;
}

void code4exit(CODE4*) {
    // Nothing more is written: a pending change is dropped, and a tag left mid-change keeps its
    // mark, so the next start-up rebuilds it instead of trusting it.
    kvl::EndProgram(1);
}

int code4close(CODE4* cb) {
    return cb->closeAll();
}

DATA4* d4open(CODE4* cb, const char* name) {
    return cb->open(name ? name : "");
}

int d4close(DATA4* d) {
    if (!d) return -1;
    return d->engine().close(d);
}

TAG4* d4tag(DATA4* d, const char* name) {
    TAG4* t = d->tag(name ? name : "");
    if (!t && d->engine().settings.errTagName) RaiseTagName(d, name);
    return t;
}

void d4tagSelect(DATA4* d, TAG4* t) {
    d->select(t);
}
int d4top(DATA4* d) {
    return d->top();
}
int d4bottom(DATA4* d) {
    return d->bottom();
}
int d4skip(DATA4* d, long n) {
    return d->skip(n);
}
int d4seek(DATA4* d, const char* key) {
    return d->seek(key ? key : "");
}
int d4go(DATA4* d, long recno) {
    return d->go(recno);
}
long d4recNo(DATA4* d) {
    return d->recno();
}
long d4recCountDo(DATA4* d) {
    return d->recCount();
}
int d4appendBlank(DATA4* d) {
    return d->appendBlank();
}
void d4delete(DATA4* d) {
    d->setDeleted(true);
}
int d4deleted(DATA4* d) {
    return d->deleted() ? 1 : 0;
}
int d4pack(DATA4* d) {
    return d->pack();
}
int d4zap(DATA4* d, long first, long count) {
    return d->zap(first, count);
}
void d4gatherKeys(DATA4* d) {
    d->gatherKeys();
}
int d4refresh(DATA4* d) {
    return d->refresh();
}
int d4flush(DATA4* d) {
    return d->flush();
}

long d4tagCount(DATA4* d, const char* from, const char* through) {
    return d->countTag(from ? from : "", through ? through : "");
}

long d4tagRecords(DATA4* d, const char* from, const char* through, std::vector<uint32_t>& recnos) {
    recnos.clear();
    return d->countTag(from ? from : "", through ? through : "", &recnos);
}

std::unique_ptr<xb::NtxIndex> d4tagReader(DATA4* d) {
    return d->tagReader();
}

int d4raise(DATA4* d, int code, const std::string& message) {
    return d->engine().raise(code, message);
}

void d4prefetch(DATA4* d, long recno) {
    d->prefetch(recno);
}

std::string_view d4recordImage(DATA4* d) {
    return std::string_view(d->record(), d->file().recordLength());
}

FIELD4* d4field(DATA4* d, const char* name) {
    return d->field(name ? name : "");
}

int i4create(DATA4* d, const char* group, const TAG4INFO* tags) {
    std::vector<xb::TagSpec> specs;
    for (const TAG4INFO* t = tags; t && t->name; ++t) {
        xb::TagSpec s;
        s.name = t->name;
        s.keyExpr = t->expression ? t->expression : "";
        s.forExpr = t->filter ? t->filter : "";
        s.unique = t->unique != 0;
        s.descending = t->descending != 0;
        specs.push_back(std::move(s));
    }
    return d->createIndex(group ? group : "", specs);
}

const char* f4str(FIELD4* f) {
    StrBuffer().assign(f->raw());
    return StrBuffer().c_str();
}

std::string_view f4viewText(std::string_view raw) {
    // Eight bytes at a time, the last word overlapping the one before: a report reads fields of
    // every record, and they hold no NUL.
    const auto noNul = [](const char* p) {
        std::uint64_t w;
        std::memcpy(&w, p, sizeof w);
        return ((w - 0x0101010101010101ULL) & ~w & 0x8080808080808080ULL) == 0;
    };
    if (raw.size() >= 8) {
        bool clean = noNul(raw.data() + raw.size() - 8);
        for (std::size_t i = 0; clean && i + 8 < raw.size(); i += 8) clean = noNul(raw.data() + i);
        if (clean) return raw;
    }
    return raw.substr(0, std::min(raw.size(), raw.find('\0')));
}

std::string_view f4view(FIELD4* f) {
    return f4viewText(f->raw());
}

long f4longText(std::string_view raw) {
    return xb::IntegerText(raw);
}

int f4int(FIELD4* f) {
    return static_cast<int>(f->integer());
}
long f4long(FIELD4* f) {
    return f->integer();
}
int f4double2(FIELD4* f, double* out) {
    *out = f->number();
    return 0;
}
long long f4cents(FIELD4* f) {
    return xb::CentsText(f->raw());
}
int f4true(FIELD4* f) {
    return f->truth() ? 1 : 0;
}
void f4assign(FIELD4* f, const char* text) {
    f->assign(text ? text : "");
}
void f4assignInt(FIELD4* f, int value) {
    f->assignNumber(value);
}
void f4assignLong(FIELD4* f, long value) {
    f->assignNumber(static_cast<double>(value));
}
void f4assignDouble(FIELD4* f, double value) {
    f->assignNumber(value);
}
