#include <gtest/gtest.h>

#include "service_fixture.h"

namespace cavra {
namespace {

using testing::ServiceHarness;

struct CountingControl : IPrintControl {
  int previews = 0;
  Variant PrintPreview() override { return Variant(++previews); }
};

TEST(ServicePrintState, TemplateLoadsClearThePrintEnvironmentAndUnInitialiseReleasesTheControl) {
  ServiceHarness h;
  auto control = std::make_shared<CountingControl>();
  std::weak_ptr<CountingControl> held = control;
  h.svc.PrintControlObj(control);
  control.reset();
  EXPECT_FALSE(held.expired()) << "the service holds the host's control";

  h.svc.m_sPrintEntir("<打印设置/>");
  h.svc.LogoPictureDataString("logo");
  h.svc.StopPrintControl(true);
  h.svc.CardnumAndValueForPrintControl("17|SO-1");
  h.LoadTemplate("<item fieldname='a' cardsection='T'/>");
  EXPECT_EQ(h.svc.m_sPrintEntir(), "");
  h.svc.m_sPrintEntir("<打印设置/>");
  h.svc.RefreshTemplate();
  EXPECT_EQ(h.svc.m_sPrintEntir(), "");
  // Only the environment text belongs to a template.
  EXPECT_EQ(h.svc.LogoPictureDataString(), "logo");
  EXPECT_TRUE(h.svc.StopPrintControl());
  EXPECT_EQ(h.svc.CardnumAndValueForPrintControl(), "17|SO-1");

  h.svc.UnInitialise();
  EXPECT_TRUE(held.expired());
}

}  // namespace
}  // namespace cavra
