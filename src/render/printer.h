// Sending a PDF to a printer through libcups.
//
// A printer is named in one of two ways:
//   "ipp://host:port/path", "ipps://..." or "http(s)://..."  a network printer,
//       sent a Print-Job request directly (no local scheduler needed);
//   any other text   a queue of the local CUPS scheduler (or of the server
//       named by CUPS_SERVER), printed with cupsPrintFile.
// Connecting gives up after 30 seconds.
#pragma once

#include <string>

namespace cavra::render {

struct PrintResult {
  bool ok = false;
  int jobId = 0;       // the printer's or scheduler's job number when ok
  std::string reason;  // why not, when !ok
};

// Prints the PDF file at pdfPath on printer as a job titled title.
PrintResult PrintPdf(const std::string& printer, const std::string& pdfPath, const std::string& title);

}  // namespace cavra::render
