// The .docx reader on a well-formed package whose main part and comments part
// come from the input: the zip layer's checksums no longer stop the fuzzer
// before the XML and the positions of its stories see the bytes.
//
// Input: the main part's XML, then (after the first 0x00 byte, if any) the
// comments part's XML.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "docx_exercise.hpp"
#include "platform/word/package.hpp"

namespace {

constexpr const char* kContentTypes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" "
    "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
    "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
    "<Override PartName=\"/word/comments.xml\" ContentType=\"application/"
    "vnd.openxmlformats-officedocument.wordprocessingml.comments+xml\"/></Types>";

constexpr const char* kRels =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
    "relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>";

constexpr const char* kDocumentRels =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId9\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
    "relationships/comments\" Target=\"comments.xml\"/></Relationships>";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\0');
  korvax::word::Package package;
  package.SetBytes("[Content_Types].xml", kContentTypes);
  package.SetBytes("_rels/.rels", kRels);
  package.SetBytes("word/document.xml", std::string(input.substr(0, split)));
  if (split != std::string_view::npos) {
    package.SetBytes("word/_rels/document.xml.rels", kDocumentRels);
    package.SetBytes("word/comments.xml", std::string(input.substr(split + 1)));
  }
  const auto path = korvax::fuzz::ScratchDir() / "package.docx";
  package.Write(path);
  korvax::fuzz::ExerciseDocument(path);
  return 0;
}
