// Item counts against the items an index reaches, on templates found by
// fuzzing: a field listed twice, or an item with no section, once shifted
// every header index after it, and a load that failed half way left counts
// of items it never added.
#include <gtest/gtest.h>

#include <string>

#include "template/template_fixture.h"

namespace cavra::testing {
namespace {

// Every index up to a section's count reaches an item of that section, and
// together they are all of the section's items.
void ExpectCountsMatchItems(TemplateModel& m) {
  struct Section {
    std::int32_t count;
    std::int32_t id;
    const char* letter;
  };
  for (const Section& s : {Section{m.HeadCount(), siHeader, "T"}, Section{m.BodyCount(), sibody, "B"}}) {
    SCOPED_TRACE(s.letter);
    std::int32_t in_section = 0;
    for (std::int32_t i = 1; i <= m.Items().Count(); ++i)
      in_section += m.Items().Item(i)->sCardSection == s.letter;
    EXPECT_EQ(s.count, in_section);
    for (std::int32_t i = 1; i <= s.count; ++i) {
      const ItemPtr item = m.ItemState(i, s.id);
      ASSERT_TRUE(item) << "index " << i;
      EXPECT_EQ(item->sCardSection, s.letter) << "index " << i << ": " << item->sFieldName;
    }
  }
}

TEST(TemplateCounts, AFieldListedTwiceIsCountedOnce) {
  TemplateHarness h;
  h.Load("<item cardsection='B' fieldname='iQuantity' fieldtype='4'/>"
         "<item cardsection='B' fieldname='iQuantity' fieldtype='4'/>"
         "<item cardsection='T' fieldname='ID'/><item cardsection='T' fieldname='cSOCode'/>");
  ExpectCountsMatchItems(h.model);
  EXPECT_EQ(h.model.ItemState(1, siHeader)->sFieldName, "ID");
}

TEST(TemplateCounts, AnItemWithoutASectionIsRefusedAndShiftsNoIndex) {
  TemplateHarness h;
  h.Load("<item cardsection='B' fieldname='iQuantity' fieldtype='4'/><item fieldname='cMemo'/>"
         "<item cardsection='T' fieldname='cSOCode'/>");
  ASSERT_FALSE(h.sink->errors.empty());  // refused: there is no section to count it in
  ExpectCountsMatchItems(h.model);
}

TEST(TemplateCounts, ALoadThatFailsLeavesNoCountWithoutItsItem) {
  TemplateHarness h;
  h.Load("<item cardsection='B' fieldname='iQuantity' fieldtype='4' numpoint='2x'/>"
         "<item cardsection='T' fieldname='cSOCode'/>"
         "<item cardsection='B' fieldname='iPrice' fieldtype='4'/>");
  ASSERT_FALSE(h.sink->errors.empty());  // the load is refused...
  ExpectCountsMatchItems(h.model);       // ...and leaves nothing half counted
}

}  // namespace
}  // namespace cavra::testing
