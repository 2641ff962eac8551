// The commands of cavra-voucher. Each returns the process exit code.
#pragma once

#include "arguments.h"

namespace cavra::tool {

int Demo(const Options& options);
int Items(const Options& options);
int Show(const Options& options);
int Calc(const Options& options);
int Edit(const Options& options);
int Sort(const Options& options);
int Contacts(const Options& options);
int Summary(const Options& options);
int Print(const Options& options);
int Preview(const Options& options);
int Export(const Options& options);
int Mail(const Options& options);

}  // namespace cavra::tool
