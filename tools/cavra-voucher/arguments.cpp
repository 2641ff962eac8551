#include "arguments.h"

#include <charconv>
#include <set>

namespace cavra::tool {
namespace {

// The options each command accepts.
const std::map<std::string, std::set<std::string>> kCommands = {
    {"demo", {"--db", "--lang"}},
    {"items", {"--db", "--template", "--file", "--lang"}},
    {"show", {"--db", "--template", "--voucher", "--lang", "--out"}},
    {"calc", {"--db", "--template", "--voucher", "--lang", "--out", "--line", "--save"}},
    {"edit", {"--db", "--template", "--voucher", "--lang", "--out", "--line", "--set", "--save"}},
    {"sort", {"--db", "--template", "--voucher", "--lang", "--out", "--by"}},
    {"contacts", {"--db", "--template", "--voucher", "--lang"}},
    {"summary", {"--db", "--template", "--voucher", "--lang"}},
    {"print", {"--db", "--template", "--voucher", "--lang", "--out", "--labels"}},
    {"preview", {"--db", "--template", "--voucher", "--lang", "--out", "--labels"}},
    {"export", {"--db", "--template", "--voucher", "--lang", "--out", "--type", "--labels"}},
    {"mail", {"--db", "--template", "--voucher", "--lang", "--out", "--labels", "--to", "--type"}},
};

// The print control's export file types by name.
const std::map<std::string, int> kFileTypes = {{"xlsx", 0}, {"pdf", 1}, {"html", 2}, {"csv", 3}};

int ParseInt(const std::string& option, const std::string& text) {
  int value = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || ptr != text.data() + text.size()) throw UsageError(option + ": not a whole number: " + text);
  return value;
}

}  // namespace

Options ParseArguments(int argc, char** argv) {
  Options o;
  int i = 1;
  if (i < argc && (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h")) {
    o.help = true;
    return o;
  }
  if (i >= argc) throw UsageError("no command given");
  o.command = argv[i++];
  const auto command = kCommands.find(o.command);
  if (command == kCommands.end()) throw UsageError("unknown command: " + o.command);

  auto value = [&](const std::string& option) -> std::string {
    if (i >= argc) throw UsageError(option + " needs a value");
    return argv[i++];
  };
  while (i < argc) {
    const std::string arg = argv[i++];
    if (arg == "--help" || arg == "-h") {
      o.help = true;
      continue;
    }
    if (!command->second.count(arg)) throw UsageError(o.command + " does not take " + arg);
    if (arg == "--db") {
      o.db = value(arg);
    } else if (arg == "--template") {
      const std::string v = value(arg);
      const auto colon = v.find(':');
      o.card = v.substr(0, colon);
      if (o.card.empty()) throw UsageError("--template: the voucher type is empty");
      if (colon != std::string::npos) o.template_id = ParseInt(arg, v.substr(colon + 1));
    } else if (arg == "--voucher") {
      o.voucher = value(arg);
    } else if (arg == "--lang") {
      o.lang = value(arg);
      if (*o.lang != "zh-CN" && *o.lang != "en-US") throw UsageError("--lang: zh-CN or en-US, not " + *o.lang);
    } else if (arg == "--out") {
      o.out = value(arg);
    } else if (arg == "--line") {
      o.line = ParseInt(arg, value(arg));
      if (*o.line < 1) throw UsageError("--line: lines count from 1");
    } else if (arg == "--set") {
      const std::string v = value(arg);
      const auto eq = v.find('=');
      if (eq == std::string::npos || eq == 0) throw UsageError("--set: FIELD=VALUE, not " + v);
      o.sets.emplace_back(v.substr(0, eq), v.substr(eq + 1));
    } else if (arg == "--by") {
      o.by = value(arg);
    } else if (arg == "--file") {
      o.file = value(arg);
    } else if (arg == "--save") {
      o.save = true;
    } else if (arg == "--labels") {
      o.labels = value(arg);
    } else if (arg == "--type") {
      const std::string v = value(arg);
      const auto named = kFileTypes.find(v);
      o.file_type = named != kFileTypes.end() ? named->second : ParseInt(arg, v);
      if (o.file_type < -32768 || o.file_type > 32767)
        throw UsageError("--type: xlsx, pdf, html, csv or a 16-bit file-type code");
    } else if (arg == "--to") {
      o.to.push_back(value(arg));
    }
  }
  if (o.help) return o;
  if (o.command == "edit" && (!o.line || o.sets.empty())) throw UsageError("edit needs --line and at least one --set");
  if (o.command == "sort" && !o.by) throw UsageError("sort needs --by");
  return o;
}

std::string Usage(const std::string& command) {
  const std::string common =
      "  --db PATH            the database (default: the embedded default database, created on first use)\n"
      "  --template CARD[:ID] voucher type and template id (default 17:12, the sample sales order)\n"
      "  --voucher ID         the voucher's primary key (default: the first voucher of the type)\n"
      "  --lang LANG          zh-CN (default) or en-US, for the library's messages\n"
      "  --out DIR            also write the head and body documents to DIR/head.xml and DIR/body.xml\n";
  if (command == "demo")
    return "usage: cavra-voucher demo [--db PATH] [--lang LANG]\n"
           "Opens (or creates) the database, loads the sample sales order, shows it, edits a line, runs the\n"
           "formulas, shows the line states, re-applies a saved sort, writes the voucher back and prints it to\n"
           "a PDF (in a new demo-* folder of the print folder), then the long sample order of three pages.\n";
  if (command == "items")
    return "usage: cavra-voucher items [--template CARD[:ID] | --file TEMPLATE.xml] [--db PATH]\n"
           "Lists a template's fields: key, section, caption, type and visible position.\n"
           "  --file TEMPLATE.xml  a template file (see examples/) instead of the database\n";
  if (command == "show") return "usage: cavra-voucher show [options]\nShows a voucher's header and body as display texts.\n" + common;
  if (command == "calc")
    return "usage: cavra-voucher calc [options] [--line N] [--save]\n"
           "Runs the template's formulas (all lines, or line N) and prints every computed value.\n" +
           common + "  --save               write the results back to the database\n";
  if (command == "edit")
    return "usage: cavra-voucher edit [options] --line N --set FIELD=VALUE... [--save]\n"
           "Changes fields of body line N (its formulas run), shows the line and its state. Each value must\n"
           "fit its field (type, length, enumeration); key columns cannot be changed.\n" +
           common + "  --save               write the voucher back to the database\n";
  const std::string kLabels =
      "  --labels FILE        the fixed labels of the layout (see examples/sales_order/labels.xml)\n";
  const std::string kWhere =
      "Files go to DIR (default: $CAVRA_PRINT_DIR, else cavra-print in the temp folder); the command names\n"
      "them. (Built without the renderer, the print control writes the two print documents instead.)\n";
  if (command == "print")
    return "usage: cavra-voucher print [--db PATH] [--template CARD[:ID]] [--voucher ID] [--out DIR]\n"
           "Prints the voucher through the default print control: it renders the pages to a PDF, and sends\n"
           "that to the printer $CAVRA_PRINTER names (a CUPS queue or an ipp:// address) when it is set.\n"
           "The print is counted in PrintPolicy_VCH. " + kWhere + kLabels;
  if (command == "preview")
    return "usage: cavra-voucher preview [--db PATH] [--template CARD[:ID]] [--voucher ID] [--out DIR]\n"
           "Renders the voucher's pages to a PDF and an HTML file without printing or counting, and starts\n"
           "$CAVRA_PREVIEW_COMMAND on the PDF when it is set. " + kWhere + kLabels;
  if (command == "export")
    return "usage: cavra-voucher export [options] [--type xlsx|pdf|html|csv|N] [--out DIR]\n"
           "Exports the voucher through the default print control as a spreadsheet (xlsx, the default), PDF,\n"
           "HTML or CSV (UTF-8). " + kWhere + kLabels;
  if (command == "mail")
    return "usage: cavra-voucher mail [options] [--to ADDRESS]... [--type xlsx|pdf|html|csv] [--out DIR]\n"
           "Exports the voucher to a temporary file (a spreadsheet unless --type says otherwise) and mails it:\n"
           "to each ADDRESS given, else to the recipients its header fields name (VouchersExInfo). The\n"
           "default mailer sends it through the SMTP server of the registry store when one is configured\n"
           "(the message then moves to DIR/sent), else it writes the message into DIR (default:\n"
           "$CAVRA_OUTBOX_DIR, else cavra-outbox in the temp folder). Names the message.\n" + kLabels;
  if (command == "sort")
    return "usage: cavra-voucher sort [options] --by COMMAND\n"
           "Saves COMMAND (FIELD[,ascending|descending];...) as the user's sort of the template, reloads the\n"
           "voucher so the sort is re-applied, and shows the body.\n" +
           common;
  const std::string voucher_options =
      "  --db PATH            the database (default: the embedded default database, created on first use)\n"
      "  --template CARD[:ID] voucher type and template id (default 17:12, the sample sales order)\n"
      "  --voucher ID         the voucher's primary key (default: the first voucher of the type)\n"
      "  --lang LANG          zh-CN (default) or en-US, for the library's messages\n";
  if (command == "contacts")
    return "usage: cavra-voucher contacts [options]\n"
           "Lists the system users an instant message about the voucher goes to: one per IM field of the\n"
           "template, found through the account's joint queries (GetAllIMUsers).\n" +
           voucher_options;
  if (command == "summary")
    return "usage: cavra-voucher summary [options]\n"
           "Shows the voucher's message summary: its first five shown header fields (GetVoucherSummaryInfo).\n" +
           voucher_options;
  return "usage: cavra-voucher COMMAND [options]\n"
         "The document model of accounting vouchers, from a shell.\n\n"
         "commands:\n"
         "  demo     walk through the sample sales order on the embedded database\n"
         "  items    list a template's fields\n"
         "  show     show a voucher as display texts\n"
         "  calc     run the template's formulas\n"
         "  edit     change fields of a body line\n"
         "  sort     sort the body lines and keep the sort for the user\n"
         "  contacts the users an instant message about the voucher goes to\n"
         "  summary  the voucher's summary for such a message\n"
         "  print    print the voucher (a PDF, and a printer when one is configured)\n"
         "  preview  render the voucher to PDF and HTML\n"
         "  export   export the voucher as a spreadsheet, PDF, HTML or CSV file\n"
         "  mail     export the voucher and mail it to its recipients\n\n"
         "`cavra-voucher COMMAND --help` describes a command. Exit codes: 0 done, 1 failed, 2 bad arguments\n"
         "or values (nothing is saved).\n";
}

}  // namespace cavra::tool
