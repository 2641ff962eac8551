#include "render/printer.h"

#include <cups/cups.h>

#include <memory>
#include <string_view>

namespace cavra::render {
namespace {

bool IsUri(std::string_view s) {
  for (std::string_view scheme : {"ipp://", "ipps://", "http://", "https://"})
    if (s.substr(0, scheme.size()) == scheme) return true;
  return false;
}

PrintResult Failed(std::string what) {
  const char* detail = cupsLastErrorString();
  if (detail && *detail) what += std::string(": ") + detail;
  return {false, 0, std::move(what)};
}

PrintResult PrintToUri(const std::string& uri, const std::string& pdfPath, const std::string& title) {
  char scheme[32], user[256], host[256], resource[1024];
  int port = 0;
  if (httpSeparateURI(HTTP_URI_CODING_ALL, uri.c_str(), scheme, sizeof scheme, user, sizeof user, host,
                      sizeof host, &port, resource, sizeof resource) < HTTP_URI_STATUS_OK)
    return {false, 0, "the printer address " + uri + " is not a valid URI"};
  std::string_view s(scheme);
  http_encryption_t encryption = s == "ipps" || s == "https" ? HTTP_ENCRYPTION_ALWAYS : HTTP_ENCRYPTION_IF_REQUESTED;
  std::unique_ptr<http_t, decltype(&httpClose)> http(
      httpConnect2(host, port, nullptr, AF_UNSPEC, encryption, 1, 30000, nullptr), &httpClose);
  if (!http) return Failed("cannot connect to the printer " + uri);
  ipp_t* request = ippNewRequest(IPP_OP_PRINT_JOB);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, title.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr, "application/pdf");
  // cupsDoFileRequest frees the request.
  std::unique_ptr<ipp_t, decltype(&ippDelete)> response(
      cupsDoFileRequest(http.get(), request, resource, pdfPath.c_str()), &ippDelete);
  if (!response || cupsLastError() > IPP_STATUS_OK_CONFLICTING)
    return Failed("the printer " + uri + " refused the job");
  ipp_attribute_t* id = ippFindAttribute(response.get(), "job-id", IPP_TAG_INTEGER);
  return {true, id ? ippGetInteger(id, 0) : 0, ""};
}

}  // namespace

PrintResult PrintPdf(const std::string& printer, const std::string& pdfPath, const std::string& title) {
  if (printer.empty()) return {false, 0, "no printer is named"};
  if (IsUri(printer)) return PrintToUri(printer, pdfPath, title);
  int job = cupsPrintFile(printer.c_str(), pdfPath.c_str(), title.c_str(), 0, nullptr);
  if (job <= 0) return Failed("the printer " + printer + " refused the job");
  return {true, job, ""};
}

}  // namespace cavra::render
