#include "business/pictures.h"

#include <atomic>
#include <fstream>
#include <system_error>
#include <unistd.h>

#include "cavra/components.h"
#include "cavra/outside.h"
#include "cavra/sql_text.h"
#include "platform/paths.h"
#include "platform/vbstring.h"

namespace cavra {
namespace {

VbError FileError(const std::filesystem::path& path, std::string_view what) {
  return VbError(err::kPathFileAccess, VbError::StandardText(err::kPathFileAccess) + ": " +
                                           std::string(what) + " " + path.string());
}

void WriteBytes(std::ostream& out, const std::uint8_t* data, std::size_t size) {
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// A file name only ASCII letters, digits, "-" and "_" make up, one to one
// with the identifier, so that two identifiers never share a file.
std::string FileStem(std::string_view id) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string stem;
  for (unsigned char c : id) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-') {
      stem += static_cast<char>(c);
    } else {
      stem += '_';
      stem += kHex[c >> 4];
      stem += kHex[c & 15];
    }
  }
  if (stem.size() > 160) {
    // Too long for a file name: keep a readable head and tell the rest apart
    // by a hash of the whole identifier.
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : id) h = (h ^ c) * 1099511628211ull;
    std::string tail;
    for (int i = 0; i < 16; ++i, h >>= 4) tail.insert(tail.begin(), kHex[h & 15]);
    stem = stem.substr(0, 120) + "_h" + tail;
  }
  return stem;
}

std::string_view ExtensionOf(const Bytes& b) {
  auto starts = [&](std::initializer_list<std::uint8_t> magic) {
    return b.size() >= magic.size() && std::equal(magic.begin(), magic.end(), b.begin());
  };
  if (starts({0x89, 'P', 'N', 'G'})) return ".png";
  if (starts({0xFF, 0xD8, 0xFF})) return ".jpg";
  if (starts({'G', 'I', 'F', '8'})) return ".gif";
  if (starts({'B', 'M'})) return ".bmp";
  return ".bin";
}

}  // namespace

std::filesystem::path Pictures::PictureFolder() { return paths::TempDirectory() / "cavra-pictures"; }

RecordsetPtr Pictures::QueryPicture(const std::string& guid) {
  const std::string sql = "Select * From AA_Picture where cGUID=" + SqlLiteral(guid);
  std::string error;
  return ctx_.DataSource().GetRsBySql(sql, error);
}

std::string Pictures::PictureText(const std::string& reference, std::vector<std::string>* parts) {
  try {
    std::vector<std::string> split =
        vb::Split(vb::Replace(vb::Replace(reference, "[%", ""), "%]", ""), ",");
    if (split.size() < 2) return {};
    if (split[1] == "GUID") split[1] = kFixedPictureGuid;
    if (split[0] != "0") return {};
    if (parts) *parts = split;
    RecordsetPtr rs = QueryPicture(split[1]);
    if (!rs) return {};
    const auto coder = ctx_.Components().CreateAs<ICodeLib>("CodeRuleKit.CodeLib");
    std::string text;
    if (coder->Base64encode(rs->Value("Picture"), text, 0, 1) != 0) return {};
    rs->Close();
    return text;
  } catch (...) {
    return {};
  }
}

std::string Pictures::PictureFile(const std::string& pictureId) {
  if (vb::Trim(pictureId).empty()) return {};
  Bytes bytes;
  try {
    RecordsetPtr rs = QueryPicture(pictureId);
    if (!rs || rs->Eof()) return {};
    const Variant& v = rs->Value("Picture");
    if (v.type() != VarType::Bytes) return {};
    bytes = v.AsBytes();
    rs->Close();
  } catch (...) {
    // A picture the database cannot give is no picture; the field shows nothing.
    return {};
  }

  const std::filesystem::path folder = PictureFolder();
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const std::filesystem::path target = folder / (FileStem(pictureId) + std::string(ExtensionOf(bytes)));
  // A temporary name of this process and call, so that writers of one picture
  // never share a half-written file; the rename makes the last one win.
  static std::atomic<std::uint64_t> calls{0};
  std::filesystem::path temp = target;
  temp += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(++calls);
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) throw FileError(temp, "cannot create");
    WriteBytes(out, bytes.data(), bytes.size());
    out.close();
    if (!out) {
      std::filesystem::remove(temp, ec);
      throw FileError(temp, "cannot write");
    }
  }
  std::filesystem::rename(temp, target, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    throw FileError(target, "cannot replace");
  }
  return target.string();
}

void Pictures::BlobToFile(Field& fld, const std::string& FName, std::int32_t FieldSize,
                          std::int32_t Threshold) {
  std::ofstream out(FName, std::ios::binary | std::ios::trunc);
  if (!out) throw FileError(FName, "cannot create");
  if (FieldSize <= Threshold) {
    const Variant& v = fld.Value();
    if (v.IsNull()) throw VbError::Standard(err::kInvalidUseOfNull);
    if (v.type() == VarType::Bytes) {
      WriteBytes(out, v.AsBytes().data(), v.AsBytes().size());
    } else if (v.type() == VarType::String) {
      out << v.AsString();
    } else {
      throw VbError::Standard(err::kTypeMismatch);
    }
  } else {
    WriteFromBinary(out, fld, FieldSize);
  }
  out.close();
  if (!out) throw FileError(FName, "cannot write");
}

void Pictures::WriteFromBinary(std::ostream& F, Field& fld, std::int32_t FieldSize) {
  if (FieldSize < 0) throw VbError::Standard(err::kInvalidCall);
  std::int32_t written = 0;
  while (written != FieldSize) {
    const std::int32_t request = std::min(kBlobChunkSize, FieldSize - written);
    const Variant chunk = fld.GetChunk(request);
    if (chunk.IsNull())
      throw VbError(err::kInvalidUseOfNull,
                    "the field ends after " + std::to_string(written) + " of " + std::to_string(FieldSize) +
                        " bytes");
    const Bytes& b = chunk.AsBytes();
    WriteBytes(F, b.data(), b.size());
    if (!F) throw VbError(err::kPathFileAccess, VbError::StandardText(err::kPathFileAccess));
    written += request;
  }
}

}  // namespace cavra
