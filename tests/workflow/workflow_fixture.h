// The workflow tests' fixture: the data fixture with a fake data source, the
// field rights of the workflow and the customer-info records over it, wired
// the way a service wires them.
#pragma once

#include <memory>

#include "data/data_fixture.h"
#include "workflow/customer_info.h"
#include "workflow/field_auth.h"

namespace cavra::testing {

struct WorkflowHarness : DataHarness {
  std::shared_ptr<FakeDataSource> ds = std::make_shared<FakeDataSource>();
  FieldAuth auth{ctx, model, rights, lines};
  CustomerInfo info{ctx, model};

  WorkflowHarness() { ctx.SetDataSource(ds); }
  // A data load as the service makes it: the documents, then the rights.
  void LoadData(const DomPtr& head, VoucherStatusConstants status) {
    docs.Load(head, nullptr);
    auth.SetVoucherStatus(status);
    auth.OnDataLoaded();
  }
};

}  // namespace cavra::testing
