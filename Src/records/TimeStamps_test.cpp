#include "records/TimeStamps.h"

#include <limits>
#include <stdexcept>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace velders {
namespace {

using boost::posix_time::ptime;
using mevcore::utility::ImmutableString;
using testsupport::AsString;
using testsupport::kEastern;
using testsupport::ScopedTimeZone;
using testsupport::Utc;

// Alpha, recovered at 15:44:32 UTC on 20 November 2017, last modified at
// 13:00:00 UTC the day before, five hours behind UTC.
const char* const kRecovered = "2017-11-20T15:44:32";
const char* const kLastModified = "2017-11-19T13:00:00";

TEST(RecoveryTexts, WorkedExampleFiveHoursBehind) {
  ScopedTimeZone zone(kEastern);
  EXPECT_EQ("Alpha (Recovered 2017-11-20T10:44:32)",
            AsString(MakeRecoveredName(ImmutableString::CreateStatic("Alpha"), Utc(kRecovered))));
  EXPECT_EQ(
      "(Recovered: 2017-11-20T10:44:32 (2017-11-20T15:44:32 UTC); Last modified time at "
      "recovery: 2017-11-19T08:00:00 (2017-11-19T13:00:00 UTC))",
      AsString(MakeRecoveryNote(Utc(kRecovered), Utc(kLastModified))));
}

TEST(RecoveryTexts, NameIsTakenUpToItsFirstZeroByteAndKeepsItsBytes) {
  ScopedTimeZone zone("UTC0");
  EXPECT_EQ(" (Recovered 2017-11-20T15:44:32)",
            AsString(MakeRecoveredName(ImmutableString(), Utc(kRecovered))));
  const unsigned char withZero[] = {'A', 'b', 0, 'c'};
  EXPECT_EQ("Ab (Recovered 2017-11-20T15:44:32)",
            AsString(MakeRecoveredName(ImmutableString::CreateDynamic(withZero, 4), Utc(kRecovered))));
  EXPECT_EQ("Caf\xc3\xa9 \xe2\x9c\x93 (Recovered 2017-11-20T15:44:32)",
            AsString(MakeRecoveredName(ImmutableString::CreateStatic("Caf\xc3\xa9 \xe2\x9c\x93"),
                                       Utc(kRecovered))));
}

TEST(RecoveryTexts, InUtcEachLocalTextEqualsItsUtcText) {
  ScopedTimeZone zone("UTC0");
  EXPECT_EQ(
      "(Recovered: 2017-11-20T15:44:32 (2017-11-20T15:44:32 UTC); Last modified time at "
      "recovery: 2017-11-19T13:00:00 (2017-11-19T13:00:00 UTC))",
      AsString(MakeRecoveryNote(Utc(kRecovered), Utc(kLastModified))));
}

TEST(RecoveryTexts, EachTimeUsesTheOffsetInForceAtItsOwnInstant) {
  ScopedTimeZone zone(kEastern);
  // Summer time (four hours behind) for the recovery, standard time for the commit.
  EXPECT_EQ(
      "(Recovered: 2018-07-04T12:00:00 (2018-07-04T16:00:00 UTC); Last modified time at "
      "recovery: 2018-03-11T01:59:59 (2018-03-11T06:59:59 UTC))",
      AsString(MakeRecoveryNote(Utc("2018-07-04T16:00:00"), Utc("2018-03-11T06:59:59"))));
  // One second later the clocks have sprung forward.
  EXPECT_EQ(Utc("2018-03-11T03:00:00"), ToLocalTime(Utc("2018-03-11T07:00:00")));
}

TEST(RecoveryTexts, AnUnconvertibleTimeGivesAnErrorAndNoText) {
  ScopedTimeZone zone("UTC0");
  const ptime missing(boost::posix_time::not_a_date_time);
  EXPECT_THROW(MakeRecoveryNote(Utc(kRecovered), missing), std::exception);
  EXPECT_THROW(MakeRecoveryNote(missing, Utc(kLastModified)), std::exception);
  EXPECT_THROW(MakeRecoveredName(ImmutableString::CreateStatic("A"), missing), std::exception);
  try {
    MakeRecoveryNote(Utc(kRecovered), Utc("1969-12-31T23:59:59"));
    FAIL() << "a time before 1970 was converted";
  } catch (const std::out_of_range& error) {
    EXPECT_STREQ("Cannot convert dates prior to Jan 1, 1970", error.what());
  }
}

TEST(LocalTime, StartsAtTheBeginningOf1970) {
  ScopedTimeZone zone("UTC0");
  EXPECT_EQ(Utc("1970-01-01T00:00:00"), ToLocalTime(Utc("1970-01-01T00:00:00")));
  for (const ptime& early : {Utc("1969-12-31T23:59:59"), ptime(boost::posix_time::neg_infin)}) {
    try {
      ToLocalTime(early);
      FAIL() << "converted " << early;
    } catch (const std::out_of_range& error) {
      EXPECT_STREQ("Cannot convert dates prior to Jan 1, 1970", error.what());
    }
  }
}

TEST(LocalTime, NotADateTimeAndPlusInfinityAreRefused) {
  ScopedTimeZone zone("UTC0");
  EXPECT_THROW(ToLocalTime(ptime(boost::posix_time::not_a_date_time)), std::exception);
  EXPECT_THROW(ToLocalTime(ptime(boost::posix_time::pos_infin)), std::exception);
}

TEST(LocalTime, KeepsTheFractionOfASecond) {
  ScopedTimeZone zone(kEastern);
  const ptime utc = Utc(kRecovered) + boost::posix_time::microseconds(250001);
  EXPECT_EQ("2017-11-20T10:44:32.250001", IsoExtended(ToLocalTime(utc)));
}

TEST(CommitTime, CountsSecondsFrom1970Over64Bits) {
  EXPECT_EQ(Utc("1970-01-01T00:00:00"), LastModifiedFromCommitTime(0));
  EXPECT_EQ(Utc("2001-09-09T01:46:40"), LastModifiedFromCommitTime(1000000000));
  EXPECT_EQ(Utc("2038-01-19T03:14:07"), LastModifiedFromCommitTime(2147483647));
  EXPECT_EQ(Utc("2038-01-19T03:14:08"), LastModifiedFromCommitTime(2147483648LL));
  EXPECT_EQ(Utc("2106-02-07T06:28:16"), LastModifiedFromCommitTime(4294967296LL));
  EXPECT_EQ(Utc("1969-12-31T23:59:59"), LastModifiedFromCommitTime(-1));
}

TEST(CommitTime, ACommitAfter2038IsShownWithItsTrueTime) {
  ScopedTimeZone zone(kEastern);
  EXPECT_EQ("2040-07-01T08:00:00", IsoExtended(ToLocalTime(LastModifiedFromCommitTime(2224756800LL))));
}

TEST(CommitTime, SecondsBeyondTheCalendarBecomeInfinities) {
  EXPECT_EQ(Utc("9999-12-31T23:59:59"), LastModifiedFromCommitTime(253402300799LL));
  EXPECT_TRUE(LastModifiedFromCommitTime(253402300800LL).is_pos_infinity());
  EXPECT_TRUE(LastModifiedFromCommitTime(std::numeric_limits<std::int64_t>::max()).is_pos_infinity());
  EXPECT_EQ(Utc("1400-01-01T00:00:00"), LastModifiedFromCommitTime(-17987443200LL));
  EXPECT_TRUE(LastModifiedFromCommitTime(-17987443201LL).is_neg_infinity());
  EXPECT_TRUE(LastModifiedFromCommitTime(std::numeric_limits<std::int64_t>::min()).is_neg_infinity());
}

TEST(TextForms, LeadingZerosAndMonthAbbreviations) {
  EXPECT_EQ("2005-03-04T05:06:07", IsoExtended(Utc("2005-03-04T05:06:07")));
  EXPECT_EQ("2005-Mar-04 05:06:07", ConsoleForm(Utc("2005-03-04T05:06:07")));
  EXPECT_EQ("2017-Nov-20 10:44:32", ConsoleForm(Utc("2017-11-20T10:44:32")));
  const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (int month = 1; month <= 12; ++month) {
    const ptime time(boost::gregorian::date(2019, month, 9), boost::posix_time::hours(0));
    EXPECT_EQ(std::string("2019-") + months[month - 1] + "-09 00:00:00", ConsoleForm(time));
  }
}

TEST(TextForms, FractionsInfinitiesAndNotADateTime) {
  const ptime withFraction = Utc("2017-11-20T10:44:32") + boost::posix_time::microseconds(5);
  EXPECT_EQ("2017-11-20T10:44:32.000005", IsoExtended(withFraction));
  EXPECT_EQ("2017-Nov-20 10:44:32.000005", ConsoleForm(withFraction));
  EXPECT_EQ("not-a-date-time", IsoExtended(ptime(boost::posix_time::not_a_date_time)));
  EXPECT_EQ("+infinity", IsoExtended(ptime(boost::posix_time::pos_infin)));
  EXPECT_EQ("-infinity", ConsoleForm(ptime(boost::posix_time::neg_infin)));
}

TEST(RecoveryTime, IsTheCurrentUtcTimeInWholeSeconds) {
  const ptime before = boost::posix_time::second_clock::universal_time();
  const ptime now = RecoveryTimeNow();
  const ptime after = boost::posix_time::second_clock::universal_time();
  EXPECT_LE(before, now);
  EXPECT_LE(now, after);
  EXPECT_EQ(0, now.time_of_day().fractional_seconds());
}

}  // namespace
}  // namespace velders
