// A template model over inline template XML, for the template tests.
#pragma once

#include <string>

#include "cavra/template_file.h"
#include "core/service_context.h"
#include "fakes/fakes.h"
#include "fakes/template_xml.h"
#include "platform/xml.h"
#include "template/template_model.h"

namespace cavra::testing {

// A template model with its context and rights, and a sink on the context.
struct TemplateHarness {
  ServiceContext ctx;
  FieldRights rights;
  TemplateModel model{ctx, rights, nullptr};
  std::shared_ptr<RecordingSink> sink = std::make_shared<RecordingSink>();
  TemplateHarness() { ctx.AddSink(sink); }
  void Load(const std::string& items, const std::string& extra = "") {
    model.setTemplateData(TemplateRecordset(items, extra));
  }
};

}  // namespace cavra::testing
