// Key and filter expressions of index tags.
//
// The supported language is what xBase index tags need: field names, STR(n[, len[, dec]]),
// DTOS(d), '+' joining texts, .NOT., DELETED(), in any case and with blanks anywhere. Anything else
// is refused by parse() with e4expr and a message that names the expression and the fault, so a tag
// is never created on an expression the engine cannot evaluate. Evaluation works on a record image
// (deletion byte first, see Field.h), allocates nothing once the output string has grown to the
// key length, and never reads outside the record.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Field.h"
#include "engine/NumberText.h"
#include "engine/Status.h"

namespace xb {

enum class ExprType { Char, Numeric, Date, Logical };

class Expr {
  public:
    Expr();
    ~Expr();
    Expr(Expr&&) noexcept;
    Expr& operator=(Expr&&) noexcept;

    // Compiles text against the table's fields. On failure out is left empty.
    static Status parse(std::string_view text, const std::vector<FieldDesc>& fields, Expr& out);

    bool empty() const;
    const std::string& text() const;  // the source text as given
    ExprType type() const;

    // Length and decimals of the index key this expression produces: the width of a character
    // result, 8 for a date, the field's width and decimals for a plain numeric field.
    uint16_t keyLength() const;
    uint16_t keyDecimals() const;

    // The index key of the record, exactly keyLength() bytes. Character and date results are their
    // text (a blank date gives 8 blanks); numeric results use the NTX numeric key form
    // (NumericKey below), so that keys compare bytewise in numeric order.
    void key(const char* record, std::string& out) const;

    // The truth of a logical expression for the record (false for other types).
    bool truth(const char* record) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace xb
