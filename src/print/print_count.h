// The print-count text a fixed label shows: how often the voucher has been
// printed under its print policy, read from PrintPolicy_VCH through the data
// source. Two modes: 0 shows the count so far ("total/last print time"),
// any other mode the count this print will carry ("user/total+1/now").
//
// The user name comes from the data source (GetUserName) in web mode, where
// hosts sign users in through their data source, and otherwise from the
// login object; a data source that does not answer falls back to the login.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cavra/host.h"

namespace cavra {

class ServiceContext;

// The query of the counts of receiptNo under the policies of billNo; both
// values are quoted so that no value can end its literal.
std::string PrintCountSql(std::string_view receiptNo, std::string_view billNo);

// The user the next print is counted for.
std::string PrintCountUser(const ServiceContext& ctx);

// The label text. now: the local date and time "YYYY-MM-DD hh:mm:ss" used
// when nothing was printed yet in mode 0. A failing query reads as "nothing
// printed yet"; nothing here throws.
std::string PrintCountText(const ServiceContext& ctx, std::string_view receiptNo, std::string_view billNo,
                           std::int32_t mode, std::string_view now);

// "YYYY-MM-DD hh:mm:ss" of the local clock.
std::string LocalDateTimeText();
// A date or date-time text as "YYYY-MM-DD hh:mm:ss" ("T" or blank between
// date and time; a bare date gets 00:00:00); other texts unchanged.
std::string DateTimeText(std::string_view value);

}  // namespace cavra
