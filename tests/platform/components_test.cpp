#include <gtest/gtest.h>

#include "cavra/components.h"
#include "cavra/outside.h"
#include "fakes/expect_error.h"

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
    EXPECT_VB_ERROR(ComponentRegistry::Create("Test.Calc"), err::kCannotCreate);
  }
  EXPECT_NO_THROW(ComponentRegistry::Create("Test.Calc"));
  EXPECT_VB_ERROR(ComponentRegistry::CreateAs<ISorter>("Test.Calc"), err::kCannotCreate);
  EXPECT_VB_ERROR(ComponentRegistry::Create("Nobody.Home"), err::kCannotCreate);
}

TEST(OutsideObjects, UnimplementedMembersFailWith438) {
  ISorter sorter;
  DomPtr dom;
  EXPECT_VB_ERROR(sorter.sortDOMVoucherBody("", "", dom), err::kNotSupported);
}

}  // namespace
}  // namespace cavra
