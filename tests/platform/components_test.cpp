#include <gtest/gtest.h>

#include "cavra/components.h"
#include "cavra/outside.h"

namespace cavra {
namespace {

struct Calc : ICalculator {
  void Calculatet(const std::string&, double& r) override { r = 42; }
};

TEST(ComponentRegistry, CreatesByIdAndRestoresScopedRegistrations) {
  ScopedComponent outer("Test.Calc", [] { return std::make_shared<Calc>(); });
  double r = 0;
  ComponentRegistry::CreateAs<ICalculator>("test.CALC")->Calculatet("", r);
  EXPECT_EQ(r, 42);
  {
    ScopedComponent failing("Test.Calc", []() -> ObjectPtr { throw std::runtime_error("no"); });
    try {
      ComponentRegistry::Create("Test.Calc");
      FAIL();
    } catch (const VbError& e) {
      EXPECT_EQ(e.number(), err::kCannotCreate);
    }
  }
  EXPECT_NO_THROW(ComponentRegistry::Create("Test.Calc"));
  EXPECT_THROW(ComponentRegistry::CreateAs<ISorter>("Test.Calc"), VbError);
  EXPECT_THROW(ComponentRegistry::Create("Nobody.Home"), VbError);
}

TEST(OutsideObjects, UnimplementedMembersFailWith438) {
  ISorter sorter;
  DomPtr dom;
  try {
    sorter.sortDOMVoucherBody("", "", dom);
    FAIL();
  } catch (const VbError& e) {
    EXPECT_EQ(e.number(), err::kNotSupported);
  }
}

}  // namespace
}  // namespace cavra
