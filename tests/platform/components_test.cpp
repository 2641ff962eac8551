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

double Result(const ComponentSet& set, std::string_view id) {
  double r = 0;
  set.CreateAs<ICalculator>(id)->Calculatet("", r);
  return r;
}

struct Fixed : ICalculator {
  explicit Fixed(double v) : v(v) {}
  void Calculatet(const std::string&, double& r) override { r = v; }
  double v;
};

ComponentFactory Giving(double v) {
  return [v] { return std::make_shared<Fixed>(v); };
}

TEST(ComponentSet, AnOwnRegistrationHidesTheFallbacksUntilItIsRemoved) {
  auto parent = std::make_shared<ComponentSet>(nullptr);
  parent->Register("Test.A", Giving(1));
  ComponentSet child(parent);
  EXPECT_EQ(Result(child, "test.a"), 1);  // from the fallback, as it is now
  parent->Register("Test.A", Giving(2));
  EXPECT_EQ(Result(child, "TEST.A"), 2);

  EXPECT_FALSE(child.Register("Test.A", Giving(3)));  // nothing of the child's own replaced
  EXPECT_EQ(Result(child, "Test.A"), 3);
  EXPECT_EQ(Result(*parent, "Test.A"), 2);  // the fallback is not changed
  child.Unregister("Test.A");
  EXPECT_EQ(Result(child, "Test.A"), 2);
  EXPECT_TRUE(child.IsRegistered("test.a"));

  // Refusing an id the fallback knows: a factory that fails.
  child.Register("Test.A", []() -> ObjectPtr { return nullptr; });
  EXPECT_THROW(child.Create("Test.A"), VbError);
  EXPECT_EQ(Result(*parent, "Test.A"), 2);
}

TEST(ComponentSet, OnlyASetOverTheProcessWideOneSeesItsRegistrations) {
  ComponentSet alone(nullptr), over_process;
  ScopedComponent process("Test.Process", Giving(7));
  EXPECT_EQ(Result(over_process, "Test.Process"), 7);
  EXPECT_FALSE(alone.IsRegistered("Test.Process"));
  EXPECT_THROW(alone.Create("Test.Process"), VbError);
}

TEST(ComponentSet, ScopedComponentRestoresTheSetItWasGivenOnly) {
  ComponentSet set(nullptr);
  set.Register("Test.B", Giving(1));
  ScopedComponent process_wide("Test.B", Giving(9));
  {
    ScopedComponent scoped(set, "Test.B", Giving(2));
    EXPECT_EQ(Result(set, "Test.B"), 2);
    EXPECT_EQ(Result(*ComponentSet::Process(), "Test.B"), 9);
  }
  EXPECT_EQ(Result(set, "Test.B"), 1);
  {
    ScopedComponent scoped(set, "Test.C", Giving(3));
    EXPECT_TRUE(set.IsRegistered("Test.C"));
  }
  EXPECT_FALSE(set.IsRegistered("Test.C"));  // none before: none after
  EXPECT_EQ(Result(*ComponentSet::Process(), "Test.B"), 9);
}

}  // namespace
}  // namespace cavra
