// Cell texts made straight as UTF-8 bytes, for the reports that write a row for every record: the
// same texts that FormatCents, ReportDate(KeyToDate(stored date)), QString::number and a field's
// FieldText (trimmed or not) give, without a QString for each. A writer takes the regional
// separators and ReportDateFormat when it is made, so it is made after BeginReport. Each call
// writes at out and returns the end of what it wrote, never more than its room; unusual input (a
// stored date that is not eight digits, a text beyond ASCII) takes the general routines, so the
// result never differs from theirs.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kvl {

class CellText {
  public:
    CellText();

    // "%13.2n" of cents / 100, exactly, with the locale's separators.
    char* amount(char* out, long long cents) const;
    // A stored date (CCYYMMDD, blank for none) in the report date format; nothing for no date.
    char* date(char* out, std::string_view stored) const;
    static char* number(char* out, long value);
    // A numeric field's text as number writes its value when the field is blanks and then one to
    // nine digits (leading zeros dropped); nullptr, with nothing written, for any other field.
    static char* plainNumber(char* out, std::string_view field);
    // Whether a stored date names a real day, as a valid KeyToDate of it would.
    static bool isDay(std::string_view stored);
    // A field's Windows-1252 bytes as its text, all of it or trimmed.
    static char* text(char* out, std::string_view field);
    static char* trimmed(char* out, std::string_view field);

    // The most bytes each writer adds.
    static constexpr std::size_t kAmountRoom = 48;
    std::size_t dateRoom() const { return dateLength_ + 16; }
    static constexpr std::size_t kNumberRoom = 24;
    static std::size_t textRoom(std::size_t fieldLength) { return 3 * fieldLength; }

  private:
    // A date is its template (the format's literals, UTF-8, and room for the digits) with the
    // stored text's digits copied in.
    struct DateCopy {
        std::size_t at, from, length;  // in the template, in the stored CCYYMMDD text
    };
    std::string decimal_, thousands_;  // UTF-8, one character each
    std::string dateTemplate_;         // at least 16 bytes, the date's dateLength_ of them first
    std::size_t dateLength_ = 0;
    std::vector<DateCopy> dateCopies_;
};

}  // namespace kvl
