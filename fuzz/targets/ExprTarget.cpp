// fuzz_expr: an expression and a record image from arbitrary bytes.
#include <algorithm>
#include <string>
#include <string_view>

#include "engine/Dbf.h"
#include "engine/Expr.h"
#include "targets/Support.h"
#include "targets/Targets.h"

namespace kvlfuzz {

namespace {

const std::vector<xb::FieldDesc>& Fields() {
    static const std::vector<xb::FieldDesc> fields = [] {
        std::vector<xb::FieldDesc> f = ExprFields();
        uint16_t len = 0;
        Require(xb::DbfFile::layout(f, len).ok(), "the expression fields have no layout");
        return f;
    }();
    return fields;
}

size_t RecordLength() {
    const xb::FieldDesc& last = Fields().back();
    return last.offset + last.length;
}

void Numbers(std::string_view text) {
    const double v = xb::ParseNumber(text);
    int len = 1 + static_cast<int>(text.size() % 20);
    int dec = static_cast<int>(text.size() % 7);
    std::string out;
    xb::FormatNumber(v, len, dec, out);
    Require(out.size() == static_cast<size_t>(len), "STR() gave text of another width");
    xb::NumericKey(v, len, dec, out);
    Require(out.size() == static_cast<size_t>(len), "a numeric key of another width");
}

}  // namespace

int FuzzExpr(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    const size_t nl = in.find('\n');
    std::string_view text = in.substr(0, nl);
    std::string record(RecordLength(), ' ');
    if (nl != std::string_view::npos) {
        std::string_view rest = in.substr(nl + 1);
        std::copy_n(rest.begin(), std::min(rest.size(), record.size()), record.begin());
    }
    Numbers(text);

    xb::Expr expr;
    xb::Status s = xb::Expr::parse(text, Fields(), expr);
    if (!s.ok()) {
        Require(s.code < 0 && expr.empty(), "a refused expression is left behind");
        return 0;
    }
    Require(!expr.empty() && expr.text() == text, "a parsed expression lost its text");
    std::string key, again;
    expr.key(record.data(), key);
    Require(key.size() == expr.keyLength(), "a key is not the key length");
    expr.key(record.data(), again);
    Require(key == again, "the same record gave two keys");
    const bool truth = expr.truth(record.data());
    if (expr.type() != xb::ExprType::Logical) Require(!truth, "a non-logical expression is true");
    // The same expression compiled again evaluates alike.
    xb::Expr twin;
    Require(xb::Expr::parse(text, Fields(), twin).ok(), "an expression parses only once");
    twin.key(record.data(), again);
    Require(key == again, "two compilations of one expression differ");
    return 0;
}

std::vector<xb::FieldDesc> ExprFields() {
    return {{"NAME", 'C', 10, 0, 0},  {"CITY", 'C', 20, 0, 0}, {"NUM", 'N', 8, 2, 0},
            {"INT", 'N', 4, 0, 0},    {"WHEN", 'D', 8, 0, 0},  {"OK", 'L', 1, 0, 0},
            {"MEMO", 'C', 254, 0, 0}, {"BIG", 'N', 20, 4, 0}};
}

}  // namespace kvlfuzz
