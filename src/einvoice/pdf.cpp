#include "einvoice/pdf.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <vector>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFEFStreamObjectHelper.hh>
#include <qpdf/QPDFEmbeddedFileDocumentHelper.hh>
#include <qpdf/QPDFFileSpecObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>

#include "common/error.hpp"
#include "einvoice/build_invoice.hpp"

extern char** environ;

namespace korvax::einvoice {

namespace {

namespace fs = std::filesystem;

}  // namespace

int RunQuietly(const std::vector<std::string>& args, const std::filesystem::path& output) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (output.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  }
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) < 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

namespace {

constexpr const char* kFacturXNamespace = "urn:factur-x:pdfa:CrossIndustryDocument:invoice:1p0#";

std::string FacturXProperty(const char* name, const char* description) {
  return std::string("<rdf:li rdf:parseType=\"Resource\"><pdfaProperty:name>") + name +
         "</pdfaProperty:name><pdfaProperty:valueType>Text</pdfaProperty:valueType>"
         "<pdfaProperty:category>external</pdfaProperty:category><pdfaProperty:description>" +
         description + "</pdfaProperty:description></rdf:li>";
}

// The Factur-X properties and their PDF/A extension schema, as XMP.
std::string FacturXMetadata() {
  return std::string(
             "<rdf:Description rdf:about=\"\" "
             "xmlns:pdfaExtension=\"http://www.aiim.org/pdfa/ns/extension/\" "
             "xmlns:pdfaSchema=\"http://www.aiim.org/pdfa/ns/schema#\" "
             "xmlns:pdfaProperty=\"http://www.aiim.org/pdfa/ns/property#\">"
             "<pdfaExtension:schemas><rdf:Bag><rdf:li rdf:parseType=\"Resource\">"
             "<pdfaSchema:schema>Factur-X PDFA Extension Schema</pdfaSchema:schema>"
             "<pdfaSchema:namespaceURI>") +
         kFacturXNamespace +
         "</pdfaSchema:namespaceURI><pdfaSchema:prefix>fx</pdfaSchema:prefix>"
         "<pdfaSchema:property><rdf:Seq>" +
         FacturXProperty("DocumentFileName", "The name of the embedded XML document") +
         FacturXProperty("DocumentType", "The type of the hybrid document in capital letters") +
         FacturXProperty("Version", "The actual version of the standard applying to the XML") +
         FacturXProperty("ConformanceLevel", "The conformance level of the embedded XML") +
         "</rdf:Seq></pdfaSchema:property></rdf:li></rdf:Bag></pdfaExtension:schemas>"
         "</rdf:Description>"
         "<rdf:Description rdf:about=\"\" xmlns:fx=\"" +
         kFacturXNamespace +
         "\"><fx:DocumentType>INVOICE</fx:DocumentType>"
         "<fx:DocumentFileName>factur-x.xml</fx:DocumentFileName>"
         "<fx:Version>1.0</fx:Version><fx:ConformanceLevel>EN 16931</fx:ConformanceLevel>"
         "</rdf:Description>";
}

}  // namespace

fs::path Renderer() {
  const char* path = std::getenv("PATH");
  std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
  size_t from = 0;
  while (from <= dirs.size()) {
    const size_t to = dirs.find(':', from);
    const std::string dir =
        dirs.substr(from, to == std::string::npos ? std::string::npos : to - from);
    for (const char* name : {"soffice", "libreoffice"}) {
      const fs::path candidate = fs::path(dir.empty() ? "." : dir) / name;
      if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    if (to == std::string::npos) break;
    from = to + 1;
  }
  return {};
}

fs::path RenderPdfA(const fs::path& docx, const fs::path& out_dir) {
  const fs::path renderer = Renderer();
  if (renderer.empty()) {
    throw Error(kNoRenderer,
                "LibreOffice (soffice) ist nicht installiert; ./run setup installiert es.");
  }
  // A profile of its own, so that a running LibreOffice of the user does not
  // take the job over. Version 3 is PDF/A-3b; comments stay out of the PDF.
  const fs::path profile = out_dir / ".korvax-libreoffice";
  const int status = RunQuietly(
      {renderer.string(), "-env:UserInstallation=file://" + fs::absolute(profile).string(),
       "--headless", "--convert-to",
       "pdf:writer_pdf_Export:{\"SelectPdfVersion\":{\"type\":\"long\",\"value\":\"3\"},"
       "\"ExportNotes\":{\"type\":\"boolean\",\"value\":\"false\"}}",
       "--outdir", out_dir.string(), fs::absolute(docx).string()});
  std::error_code ec;
  fs::remove_all(profile, ec);
  const fs::path pdf = out_dir / fs::path(docx.filename()).replace_extension(".pdf");
  if (status != 0 || !fs::is_regular_file(pdf)) {
    throw Error(kNoPdf, "LibreOffice konnte die Rechnung nicht in ein PDF umwandeln.");
  }
  return pdf;
}

void EmbedFacturX(const fs::path& pdf, const std::string& cii, const fs::path& out) {
  try {
    QPDF document;
    document.processFile(pdf.c_str());
    QPDFObjectHandle root = document.getRoot();
    const std::string now = QUtil::qpdf_time_to_pdf_time(QUtil::get_current_qpdf_time());

    // The XML as an embedded file: the invoice's alternative representation.
    auto stream = QPDFEFStreamObjectHelper::createEFStream(document, cii);
    stream.setSubtype("text/xml").setModDate(now).setCreationDate(now);
    auto filespec = QPDFFileSpecObjectHelper::createFileSpec(document, "factur-x.xml", stream);
    filespec.setDescription("Rechnung nach EN 16931 (Factur-X / ZUGFeRD)");
    QPDFObjectHandle filespec_object = filespec.getObjectHandle();
    filespec_object.replaceKey("/AFRelationship", QPDFObjectHandle::newName("/Alternative"));
    QPDFEmbeddedFileDocumentHelper(document).replaceEmbeddedFile("factur-x.xml", filespec);
    QPDFObjectHandle af = QPDFObjectHandle::newArray();
    af.appendItem(filespec_object);
    root.replaceKey("/AF", af);

    // The Factur-X properties join LibreOffice's PDF/A metadata.
    QPDFObjectHandle metadata = root.getKey("/Metadata");
    if (!metadata.isStream()) throw std::runtime_error("keine XMP-Metadaten");
    std::shared_ptr<Buffer> old_xmp = metadata.getStreamData(qpdf_dl_all);
    std::string xmp(reinterpret_cast<const char*>(old_xmp->getBuffer()), old_xmp->getSize());
    const size_t end = xmp.find("</rdf:RDF>");
    if (end == std::string::npos) throw std::runtime_error("XMP ohne rdf:RDF");
    xmp.insert(end, FacturXMetadata());
    metadata.replaceStreamData(xmp, QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());

    QPDFWriter writer(document, out.c_str());
    writer.write();
  } catch (const Error&) {
    throw;
  } catch (const std::exception& e) {
    throw Error(kNoPdf, std::string("Das PDF der Rechnung lässt sich nicht zur ZUGFeRD-Rechnung "
                                    "machen: ") +
                            e.what());
  }
}

}  // namespace korvax::einvoice
