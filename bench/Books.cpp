#include "Books.h"

#include <algorithm>
#include <cmath>

namespace bench {

namespace {

constexpr uint64_t kSeed = 0x6b766c2d62656e63ULL;

uint64_t Mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

double Unit(uint64_t h) {
    return static_cast<double>(h >> 11) * 0x1.0p-53;
}

}  // namespace

Books::Books(long records)
    : records_(std::max(1L, records)),
      first_(2016, 1, 1),
      last_(2025, 12, 31),
      days_(static_cast<int>(first_.daysTo(last_)) + 1),
      fyStart_(2025, 1, 1),
      from_(2025, 12, 1),
      through_(2025, 12, 31) {
    for (int n = 1; n <= kAccounts; ++n) {
        // Every fifth account (draws, personal spending) is not deductible.
        accounts_.push_back({n, "Expense account " + std::to_string(n), n % 5 != 0});
    }
}

Expense Books::record(long recno) const {
    const uint64_t h1 = Mix(kSeed + 2 * static_cast<uint64_t>(recno));
    const uint64_t h2 = Mix(h1 ^ 0x5555555555555555ULL);
    Expense e;
    long day = static_cast<long>((static_cast<int64_t>(recno - 1) * days_) / records_);
    // One entry in eight is made up to a month after the day it happened.
    if ((h1 & 7) == 0) day -= static_cast<long>((h1 >> 3) % 30);
    e.date = first_.addDays(std::max(0L, day));
    e.account = 1 + static_cast<int>((h1 >> 8) % kAccounts);
    e.folder = 1 + static_cast<int>((h1 >> 16) % kFolders);
    e.archived = (h1 >> 24) % 100 < 5;
    e.checkNo = (h1 >> 32) % 10 < 3 ? 0 : 1000 + recno % 9999000;
    e.payee = static_cast<int>(h2 % payees().size());
    e.memo = static_cast<int>((h2 >> 8) % memos().size());
    // Log-uniform from 1.00 to 999999.99.
    const double lo = std::log(100.0), hi = std::log(99999999.0);
    e.cents = std::clamp<int64_t>(std::llround(std::exp(lo + Unit(h2) * (hi - lo))), 100, 99999999);
    return e;
}

SeekKey Books::seekKey(int index) const {
    const uint64_t h = Mix(~kSeed + static_cast<uint64_t>(index));
    return {1 + static_cast<int>(h % kAccounts),
            first_.addDays(static_cast<qint64>((h >> 16) % static_cast<uint64_t>(days_)))};
}

const std::vector<std::string>& Books::payees() {
    static const std::vector<std::string> names = {"Northside Fuel",
                                                   "Harbor Office Supply",
                                                   "Lindqvist Equipment",
                                                   "City Water Dept.",
                                                   "Pinecrest Insurance",
                                                   "Maple Street Garage",
                                                   "Greenway Nursery",
                                                   "Alder & Finch LLP",
                                                   "Quarry Stone Supply",
                                                   "Telcom Wireless",
                                                   "Postmaster",
                                                   "Bayview Rentals",
                                                   "Cornerstone Hardware",
                                                   "R. Okafor",
                                                   "J. Hartwell",
                                                   "State Revenue Office",
                                                   "Summit Electric",
                                                   "Ironwood Tools",
                                                   "Blue Ridge Propane",
                                                   "Eastgate Printing",
                                                   "Valley Seed Co.",
                                                   "Rivera Trucking",
                                                   "Crescent Bank",
                                                   "Lakeside Diner",
                                                   "Oakmont Lumber",
                                                   "Prairie Mulch Supply",
                                                   "Westfield Auto Parts",
                                                   "Granite Tire Center",
                                                   "Sunrise Cleaning",
                                                   "Meadowbrook Feed",
                                                   "Hollis & Sons",
                                                   "Copperline Internet",
                                                   "Birchwood Signs",
                                                   "Fairview Storage",
                                                   "T. Nakamura",
                                                   "County Clerk",
                                                   "Redwood Safety Supply",
                                                   "Kessler Welding",
                                                   "Orchard Lane Market",
                                                   "Union Parcel"};
    return names;
}

const std::vector<std::string>& Books::memos() {
    static const std::vector<std::string> memos = {
        "",           "",           "",           "monthly",        "invoice 2231",
        "repairs",    "spring job", "fall job",   "deposit",        "balance due",
        "fuel card",  "per quote",  "rush order", "annual renewal", "see receipt",
        "refund adj."};
    return memos;
}

const char* Books::folderName(int folder) {
    static const char* const names[] = {
        "Residential", "Commercial", "Snow Removal", "Garden Center", "Irrigation",
        "Hardscape",   "Tree Care",  "Maintenance",  "Design",        "Retail"};
    return names[(folder - 1) % kFolders];
}

}  // namespace bench
