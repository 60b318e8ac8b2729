#include "engine/Expr.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace xb {

namespace {

constexpr int kStrDefaultLen = 10;
// A key can never be longer than an NTX page allows, so a wider STR can only be a typo.
constexpr int kStrMaxLen = 255;
constexpr uint16_t kDateLen = 8;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsIdentStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsIdentChar(char c) {
    return IsIdentStart(c) || IsDigit(c);
}
// Whether STR(n, its width) of the whole number the text holds gives the text back: blanks, a
// minus sign or none, then at most 15 digits with no leading zero (or the one digit 0 unsigned).
bool WrittenAsStr(const char* p, size_t n) {
    size_t i = 0;
    while (i < n && p[i] == ' ') ++i;
    const bool negative = i < n && p[i] == '-';
    if (negative) ++i;
    if (i == n || n - i > 15 || (p[i] == '0' && (negative || n - i > 1))) return false;
    for (; i < n; ++i)
        if (!IsDigit(p[i])) return false;
    return true;
}
char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Upper(a[i]) != Upper(b[i])) return false;
    }
    return true;
}

const char* TypeName(ExprType t) {
    switch (t) {
        case ExprType::Char:
            return "character";
        case ExprType::Numeric:
            return "numeric";
        case ExprType::Date:
            return "date";
        case ExprType::Logical:
            return "logical";
    }
    return "unknown";
}

// One fixed-width piece of a character or date result.
struct Segment {
    enum class Kind : uint8_t { Copy, Str };
    Kind kind = Kind::Copy;
    uint8_t dec = 0;
    uint16_t srcLen = 0;
    uint16_t outLen = 0;
    uint32_t srcOffset = 0;
};

enum class LogicalBase : uint8_t { Deleted, Field };

// The compiled form: fixed-width pieces, so evaluation is a straight walk with no allocation.
struct Program {
    ExprType type = ExprType::Char;
    uint16_t keyLen = 0;
    uint16_t keyDec = 0;

    // Character and date results: the pieces in order.
    std::vector<Segment> segments;

    // Numeric result: one numeric field.
    uint32_t numOffset = 0;
    uint16_t numLen = 0;
    uint8_t numDec = 0;

    // Logical result.
    LogicalBase base = LogicalBase::Deleted;
    uint32_t logOffset = 0;
    uint16_t logLen = 0;
    bool negate = false;

    bool truth(const char* record) const {
        bool v = false;
        if (base == LogicalBase::Deleted) {
            v = record[0] == '*';
        } else if (logLen > 0) {
            char c = record[logOffset];
            v = c == 'T' || c == 't' || c == 'Y' || c == 'y';
        }
        return v != negate;
    }
};

// What a sub-expression compiles to while parsing.
struct Operand {
    ExprType type = ExprType::Char;
    size_t width = 0;  // Char: total width
    std::vector<Segment> segments;
    const FieldDesc* numField = nullptr;
    LogicalBase base = LogicalBase::Deleted;
    uint32_t logOffset = 0;
    uint16_t logLen = 0;
    bool negate = false;
};

class Parser {
    static constexpr int kMaxNesting = 100;

  public:
    Parser(std::string_view text, const std::vector<FieldDesc>& fields)
        : text_(text), fields_(fields) {}

    Status run(Program& impl) {
        skipBlanks();
        if (pos_ == text_.size()) return fail(pos_, "the expression is empty");
        Operand result;
        if (!parseConcat(result)) return error_;
        skipBlanks();
        if (pos_ != text_.size()) {
            if (text_[pos_] == ')') return fail(pos_, "')' without a matching '('");
            return fail(pos_,
                        "unexpected '" + tokenText(pos_) + "' after the end of the expression");
        }

        impl.type = result.type;
        switch (result.type) {
            case ExprType::Char:
            case ExprType::Date:
                if (result.width > std::numeric_limits<uint16_t>::max()) {
                    return fail(0, "the result is too long");
                }
                impl.keyLen = static_cast<uint16_t>(result.width);
                impl.segments = std::move(result.segments);
                break;
            case ExprType::Numeric:
                impl.numOffset = result.numField->offset;
                impl.numLen = result.numField->length;
                impl.numDec = result.numField->decimals;
                impl.keyLen = result.numField->length;
                impl.keyDec = result.numField->decimals;
                break;
            case ExprType::Logical:
                impl.base = result.base;
                impl.logOffset = result.logOffset;
                impl.logLen = result.logLen;
                impl.negate = result.negate;
                impl.keyLen = 1;
                break;
        }
        return Status::Ok();
    }

  private:
    // Keeps the first fault met; the parse unwinds through false returns and reports it.
    void note(size_t at, const std::string& fault) {
        if (error_.ok()) {
            error_ = Status::Error(e4expr, "expression \"" + std::string(text_) + "\": " + fault +
                                               " (at column " + std::to_string(at + 1) + ")");
        }
    }
    Status fail(size_t at, const std::string& fault) {
        note(at, fault);
        return error_;
    }

    void skipBlanks() {
        while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
    }

    bool atChar(char c) {
        skipBlanks();
        return pos_ < text_.size() && text_[pos_] == c;
    }

    // A short rendering of the token at a position, for messages.
    std::string tokenText(size_t at) const {
        if (at >= text_.size()) return "end of expression";
        size_t end = at;
        if (IsIdentChar(text_[at])) {
            while (end < text_.size() && IsIdentChar(text_[end])) ++end;
        } else if (text_[at] == '.') {
            end = at + 1;
            while (end < text_.size() && IsIdentStart(text_[end])) ++end;
            if (end < text_.size() && text_[end] == '.') ++end;
        } else {
            end = at + 1;
        }
        return std::string(text_.substr(at, end - at));
    }

    bool matchNot() {
        skipBlanks();
        constexpr std::string_view kNot = ".NOT.";
        if (text_.size() - pos_ < kNot.size()) return false;
        if (!EqualsNoCase(text_.substr(pos_, kNot.size()), kNot)) return false;
        pos_ += kNot.size();
        return true;
    }

    bool expectClose(size_t openAt, const char* what) {
        if (atChar(')')) {
            ++pos_;
            return true;
        }
        if (pos_ == text_.size()) {
            note(openAt, std::string("'(' of ") + what + " is never closed");
        } else {
            note(pos_, std::string("expected ')' to close ") + what + " but found '" +
                           tokenText(pos_) + "'");
        }
        return false;
    }

    bool parseConcat(Operand& out) {
        size_t leftAt = (skipBlanks(), pos_);
        if (!parseUnary(out)) return false;
        while (atChar('+')) {
            ++pos_;
            skipBlanks();
            size_t rightAt = pos_;
            Operand right;
            if (!parseUnary(right)) return false;
            if (out.type != ExprType::Char) {
                note(leftAt, std::string("'+' joins only character values, its left side is ") +
                                 TypeName(out.type));
                return false;
            }
            if (right.type != ExprType::Char) {
                note(rightAt, std::string("'+' joins only character values, its right side is ") +
                                  TypeName(right.type));
                return false;
            }
            out.width += right.width;
            out.segments.insert(out.segments.end(), right.segments.begin(), right.segments.end());
        }
        return true;
    }

    bool parseUnary(Operand& out) {
        size_t notAt = (skipBlanks(), pos_);
        // Every nested value passes here; a bound keeps hostile text from exhausting the stack.
        struct Nesting {
            int& depth;
            explicit Nesting(int& d) : depth(++d) {}
            ~Nesting() { --depth; }
        } nesting(depth_);
        if (depth_ > kMaxNesting) {
            note(notAt, "values are nested more than " + std::to_string(kMaxNesting) + " deep");
            return false;
        }
        if (matchNot()) {
            skipBlanks();
            size_t argAt = pos_;
            if (pos_ == text_.size()) {
                note(notAt, ".NOT. has nothing to negate");
                return false;
            }
            if (!parseUnary(out)) return false;
            if (out.type != ExprType::Logical) {
                note(argAt, std::string(".NOT. needs a logical value, not a ") +
                                TypeName(out.type) + " one");
                return false;
            }
            out.negate = !out.negate;
            return true;
        }
        return parsePrimary(out);
    }

    bool parsePrimary(Operand& out) {
        skipBlanks();
        if (pos_ == text_.size()) {
            note(pos_, "a value is missing at the end");
            return false;
        }
        char c = text_[pos_];
        if (c == '(') {
            size_t openAt = pos_++;
            if (atChar(')')) {
                note(pos_, "empty parentheses");
                return false;
            }
            if (!parseConcat(out)) return false;
            return expectClose(openAt, "the parenthesis");
        }
        if (IsIdentStart(c)) {
            size_t nameAt = pos_;
            while (pos_ < text_.size() && IsIdentChar(text_[pos_])) ++pos_;
            std::string_view name = text_.substr(nameAt, pos_ - nameAt);
            if (atChar('(')) return parseCall(name, nameAt, out);
            return parseField(name, nameAt, out);
        }
        if (c == ')') {
            note(pos_, "a value is missing before ')'");
        } else if (c == '+' || c == ',') {
            note(pos_, std::string("a value is missing before '") + c + "'");
        } else if (c == '.') {
            note(pos_, "unsupported operator '" + tokenText(pos_) + "'");
        } else if (IsDigit(c)) {
            note(pos_, "a number is allowed only as a length or decimals of STR()");
        } else {
            note(pos_, "unexpected '" + tokenText(pos_) + "'");
        }
        return false;
    }

    bool parseField(std::string_view name, size_t at, Operand& out) {
        const FieldDesc* field = nullptr;
        for (const FieldDesc& f : fields_) {
            if (EqualsNoCase(f.name, name)) {
                field = &f;
                break;
            }
        }
        if (field == nullptr) {
            note(at, "unknown field " + std::string(name));
            return false;
        }
        switch (field->type) {
            case 'N':
                out.type = ExprType::Numeric;
                out.numField = field;
                break;
            case 'D':
                out.type = ExprType::Date;
                out.width = kDateLen;
                out.segments.push_back(
                    {Segment::Kind::Copy, 0, field->length, kDateLen, field->offset});
                break;
            case 'L':
                out.type = ExprType::Logical;
                out.base = LogicalBase::Field;
                out.logOffset = field->offset;
                out.logLen = field->length;
                break;
            default:
                out.type = ExprType::Char;
                out.width = field->length;
                out.segments.push_back(
                    {Segment::Kind::Copy, 0, field->length, field->length, field->offset});
                break;
        }
        return true;
    }

    bool parseIntArg(const char* what, int& value) {
        skipBlanks();
        size_t at = pos_;
        size_t end = pos_;
        while (end < text_.size() && IsDigit(text_[end])) ++end;
        if (end == at || (end < text_.size() && (IsIdentChar(text_[end]) || text_[end] == '.'))) {
            note(at, std::string("the ") + what + " of STR() must be a whole number");
            return false;
        }
        if (end - at > 4) {
            note(at, std::string("the ") + what + " of STR() is out of range");
            return false;
        }
        value = 0;
        for (size_t i = at; i < end; ++i) value = value * 10 + (text_[i] - '0');
        pos_ = end;
        return true;
    }

    bool parseCall(std::string_view name, size_t nameAt, Operand& out) {
        skipBlanks();
        size_t openAt = pos_++;  // the '('
        if (EqualsNoCase(name, "DELETED")) {
            if (!atChar(')')) {
                if (pos_ == text_.size()) return expectClose(openAt, "DELETED()");
                note(pos_, "DELETED() takes no argument");
                return false;
            }
            ++pos_;
            out.type = ExprType::Logical;
            out.base = LogicalBase::Deleted;
            return true;
        }
        if (EqualsNoCase(name, "DTOS")) {
            skipBlanks();
            size_t argAt = pos_;
            if (atChar(')')) {
                note(pos_, "DTOS() needs a date argument");
                return false;
            }
            Operand arg;
            if (!parseConcat(arg)) return false;
            if (arg.type != ExprType::Date) {
                note(argAt, std::string("DTOS() needs a date argument, not a ") +
                                TypeName(arg.type) + " one");
                return false;
            }
            if (atChar(',')) {
                note(pos_, "DTOS() takes one argument");
                return false;
            }
            if (!expectClose(openAt, "DTOS()")) return false;
            out.type = ExprType::Char;
            out.width = kDateLen;
            out.segments = std::move(arg.segments);
            return true;
        }
        if (EqualsNoCase(name, "STR")) {
            skipBlanks();
            size_t argAt = pos_;
            if (atChar(')')) {
                note(pos_, "STR() needs a numeric argument");
                return false;
            }
            Operand arg;
            if (!parseConcat(arg)) return false;
            if (arg.type != ExprType::Numeric) {
                note(argAt, std::string("STR() needs a numeric argument, not a ") +
                                TypeName(arg.type) + " one");
                return false;
            }
            int len = kStrDefaultLen;
            int dec = 0;
            if (atChar(',')) {
                ++pos_;
                size_t lenAt = (skipBlanks(), pos_);
                if (!parseIntArg("length", len)) return false;
                if (len < 1 || len > kStrMaxLen) {
                    note(lenAt,
                         "the length of STR() must be from 1 to " + std::to_string(kStrMaxLen));
                    return false;
                }
                if (atChar(',')) {
                    ++pos_;
                    size_t decAt = (skipBlanks(), pos_);
                    if (!parseIntArg("decimals", dec)) return false;
                    if (dec > 0 && dec + 2 > len) {
                        note(decAt, "STR() with " + std::to_string(dec) +
                                        " decimals leaves no room for the number in length " +
                                        std::to_string(len));
                        return false;
                    }
                }
                if (atChar(',')) {
                    note(pos_, "STR() takes at most three arguments");
                    return false;
                }
            }
            if (!expectClose(openAt, "STR()")) return false;
            const FieldDesc* f = arg.numField;
            out.type = ExprType::Char;
            out.width = static_cast<size_t>(len);
            out.segments.push_back({Segment::Kind::Str, static_cast<uint8_t>(dec), f->length,
                                    static_cast<uint16_t>(len), f->offset});
            return true;
        }
        note(nameAt, "unknown function " + std::string(name) + "()");
        return false;
    }

    std::string_view text_;
    const std::vector<FieldDesc>& fields_;
    size_t pos_ = 0;
    int depth_ = 0;
    Status error_;
};

}  // namespace

struct Expr::Impl {
    std::string text;
    Program prog;
};

Expr::Expr() = default;
Expr::~Expr() = default;
Expr::Expr(Expr&&) noexcept = default;
Expr& Expr::operator=(Expr&&) noexcept = default;

Status Expr::parse(std::string_view text, const std::vector<FieldDesc>& fields, Expr& out) {
    out.impl_.reset();
    auto impl = std::make_unique<Impl>();
    Status st = Parser(text, fields).run(impl->prog);
    if (!st.ok()) return st;
    impl->text = std::string(text);
    out.impl_ = std::move(impl);
    return Status::Ok();
}

bool Expr::empty() const {
    return !impl_;
}

const std::string& Expr::text() const {
    static const std::string kEmpty;
    return impl_ ? impl_->text : kEmpty;
}

ExprType Expr::type() const {
    return impl_ ? impl_->prog.type : ExprType::Char;
}

uint16_t Expr::keyLength() const {
    return impl_ ? impl_->prog.keyLen : 0;
}

uint16_t Expr::keyDecimals() const {
    return impl_ ? impl_->prog.keyDec : 0;
}

void Expr::key(const char* record, std::string& out) const {
    if (!impl_) {
        out.clear();
        return;
    }
    const Program& e = impl_->prog;
    out.resize(e.keyLen);
    char* dst = out.data();
    switch (e.type) {
        case ExprType::Char:
        case ExprType::Date:
            for (const Segment& s : e.segments) {
                if (s.kind == Segment::Kind::Copy) {
                    size_t n = std::min(s.srcLen, s.outLen);
                    std::memcpy(dst, record + s.srcOffset, n);
                    std::memset(dst + n, ' ', s.outLen - n);
                } else if (s.dec == 0 && s.srcLen == s.outLen &&
                           WrittenAsStr(record + s.srcOffset, s.srcLen)) {
                    // An account or folder number as stored: its text is its STR().
                    std::memcpy(dst, record + s.srcOffset, s.outLen);
                } else {
                    double v = ParseNumber(std::string_view(record + s.srcOffset, s.srcLen));
                    bool negative = false;
                    FormatInto(v, s.outLen, s.dec, dst, negative);
                }
                dst += s.outLen;
            }
            break;
        case ExprType::Numeric:
            NumericKeyInto(ParseNumber(std::string_view(record + e.numOffset, e.numLen)), e.numLen,
                           e.numDec, dst);
            break;
        case ExprType::Logical:
            dst[0] = e.truth(record) ? 'T' : 'F';
            break;
    }
}

bool Expr::truth(const char* record) const {
    if (!impl_ || impl_->prog.type != ExprType::Logical) return false;
    return impl_->prog.truth(record);
}

}  // namespace xb
