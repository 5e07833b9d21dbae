#include "einvoice/einvoice.hpp"

#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>

#include "common/error.hpp"
#include "common/text.hpp"
#include "einvoice/pdf.hpp"
#include "platform/word/document.hpp"

namespace korvax::einvoice {

namespace {

namespace fs = std::filesystem;

// A folder of the call's own for the copy of the invoice and its PDF; gone
// when the call ends, whatever happened.
class WorkFolder {
 public:
  WorkFolder() {
    static std::atomic<int> counter{0};
    path_ = fs::temp_directory_path() /
            ("korvax-einvoice-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
    fs::create_directories(path_);
  }
  ~WorkFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Writes beside the target and renames over it, so that no half-written
// e-invoice is ever seen under its name.
void WriteAtomically(const fs::path& out, const std::string& bytes) {
  const fs::path part = fs::path(out.string() + ".part");
  {
    std::ofstream file(part, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file.flush()) {
      std::error_code ec;
      fs::remove(part, ec);
      throw Error(75, "Die E-Rechnung \"" + out.string() + "\" lässt sich nicht schreiben.");
    }
  }
  fs::rename(part, out);
}

}  // namespace

Format ParseFormat(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "xrechnung") return Format::XRechnung;
  if (lower == "zugferd" || lower == "factur-x") return Format::Zugferd;
  throw Error(5, "Unbekanntes Format \"" + std::string(name) +
                     "\" der E-Rechnung: xrechnung oder zugferd.");
}

fs::path DefaultOutput(const fs::path& document, Format format) {
  fs::path out = document;
  if (format == Format::XRechnung) return out.replace_extension(".xml");
  return out.replace_filename(out.stem().string() + "-zugferd.pdf");
}

Invoice WriteEInvoice(const Source& source, Format format, const fs::path& out) {
  // 1. Everything is checked before anything is written.
  Invoice invoice = BuildInvoice(source, format);

  // 2. The invoice's PDF, from a copy of the document as it is now.
  WorkFolder work;
  fs::path name = fs::path(source.document.FullName()).filename();
  if (name.empty()) name = "Rechnung.docx";
  const fs::path copy = work.path() / name;
  source.document.SaveCopyAs(copy);
  const fs::path pdf = RenderPdfA(copy, work.path());

  // 3. XRechnung carries the PDF; ZUGFeRD is the PDF carrying the XML.
  if (format == Format::XRechnung) {
    Attachment attachment;
    attachment.id = invoice.number;
    attachment.description = "Die Rechnung als PDF";
    attachment.filename = pdf.filename().string();
    attachment.mime_code = "application/pdf";
    attachment.content = ReadFile(pdf);
    invoice.attachments.push_back(std::move(attachment));
    WriteAtomically(out, WriteCii(invoice));
  } else {
    const fs::path part = work.path() / "zugferd.pdf";
    EmbedFacturX(pdf, WriteCii(invoice), part);
    WriteAtomically(out, ReadFile(part));
  }
  return invoice;
}

}  // namespace korvax::einvoice
