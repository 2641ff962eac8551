// Pictures: archive pictures (AA_Picture.Picture, looked up by cGUID) as
// Base64 text for the print data and as files for header fields of reference
// kind 11, and binary recordset fields written to files.
//
// Picture files live in the "cavra-pictures" folder under the temp folder,
// one file per picture identifier, named after it (characters other than
// ASCII letters, digits and "-" are written as "_" and their hex code, so no
// identifier can leave the folder) with an extension from the picture's first
// bytes (.png, .jpg, .gif, .bmp, else .bin). Each request writes the file anew
// through a temporary name and a rename: a picture changed in the database is
// never shown stale, readers never see a half-written file, and repeated
// requests leave one file, not many.
#pragma once

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "cavra/recordset.h"
#include "core/service_context.h"

namespace cavra {

// The picture the reference name "GUID" stands for.
inline constexpr const char* kFixedPictureGuid = "F32234FC-43DD-4705-9F22-2B0141F909F5";
// GetChunk request size for large fields.
inline constexpr std::int32_t kBlobChunkSize = 16384;

class Pictures {
 public:
  explicit Pictures(ServiceContext& context) : ctx_(context) {}

  // The Base64 text of the archive picture a reference "[%kind,guid%]" names
  // (kind "0" only; "GUID" for the fixed picture). For kind "0", parts (when
  // not null) receives the split reference, its GUID replaced. "" when the
  // reference does not parse, no row answers, the encoder cannot be created
  // or does not encode the value. Never raises.
  std::string PictureText(const std::string& reference, std::vector<std::string>* parts);

  // The path of the file holding the picture with identifier pictureId;
  // "" (and no file) when the identifier is blank, the query gives no row or
  // the value is not binary. VbError 75 when the file cannot be written.
  std::string PictureFile(const std::string& pictureId);

  // Writes fld's value to file FName: in one piece when FieldSize is not
  // greater than Threshold, else FieldSize bytes through WriteFromBinary.
  // Raises: VbError 75 for a file that cannot be written, 94 for a Null
  // value, 13 for a value that is neither binary nor text.
  static void BlobToFile(Field& fld, const std::string& FName, std::int32_t FieldSize = -1,
                         std::int32_t Threshold = 1048576);
  // Appends FieldSize bytes of fld to F in GetChunk requests of at most
  // kBlobChunkSize. Raises: VbError 5 for a negative size, 94 when the field
  // ends first, 75 when F fails.
  static void WriteFromBinary(std::ostream& F, Field& fld, std::int32_t FieldSize);

  // The folder picture files are written to.
  static std::filesystem::path PictureFolder();

 private:
  // The first row of "Select * From AA_Picture where cGUID='<guid>'", or null.
  RecordsetPtr QueryPicture(const std::string& guid);

  ServiceContext& ctx_;
};

}  // namespace cavra
