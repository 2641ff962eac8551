// cavra-voucher: the voucher document model from a shell.
#include <cstdlib>
#include <iostream>

#include <cavra/cavra.h>

#include "arguments.h"
#include "commands.h"

int main(int argc, char** argv) {
  using namespace cavra::tool;
  Options options;
  try {
    options = ParseArguments(argc, argv);
  } catch (const UsageError& e) {
    std::cerr << "cavra-voucher: " << e.what() << "\n\n" << Usage(argc > 1 ? argv[1] : "");
    return 2;
  }
  if (options.help) {
    std::cout << Usage(options.command);
    return 0;
  }
  if (options.lang) setenv("CAVRA_LANG", options.lang->c_str(), 1);
  try {
    if (options.command == "demo") return Demo(options);
    if (options.command == "items") return Items(options);
    if (options.command == "show") return Show(options);
    if (options.command == "calc") return Calc(options);
    if (options.command == "edit") return Edit(options);
    if (options.command == "sort") return Sort(options);
    if (options.command == "contacts") return Contacts(options);
    if (options.command == "summary") return Summary(options);
    if (options.command == "print") return Print(options);
    if (options.command == "preview") return Preview(options);
    if (options.command == "export") return Export(options);
    if (options.command == "mail") return Mail(options);
  } catch (const InputError& e) {
    std::cerr << "cavra-voucher " << options.command << ": " << e.what() << "\n";
    return 2;
  } catch (const Failure& e) {
    std::cerr << "cavra-voucher " << options.command << ": " << e.what() << "\n";
    return 1;
  } catch (const cavra::VbError& e) {
    std::cerr << "cavra-voucher " << options.command << ": error " << e.number() << ": " << e.description() << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "cavra-voucher " << options.command << ": " << e.what() << "\n";
    return 1;
  }
  return 2;
}
