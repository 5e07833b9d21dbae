// The invoice as PDF/A-3: rendered by LibreOffice, and as ZUGFeRD / Factur-X
// with the CII XML embedded, through qpdf.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace korvax::einvoice {

// Runs a program with its arguments, without a shell, its output and
// messages discarded, or written to the new private file `output` when one is
// given; its exit status, -1 when it could not run.
int RunQuietly(const std::vector<std::string>& args, const std::filesystem::path& output = {});

// LibreOffice's program on the PATH (soffice or libreoffice); empty when none.
std::filesystem::path Renderer();

// Renders a .docx to PDF/A-3b in `out_dir`, without the document's comments;
// the path of the PDF. Fails with korvax::Error kNoRenderer without
// LibreOffice, kNoPdf when it could not convert.
std::filesystem::path RenderPdfA(const std::filesystem::path& docx,
                                 const std::filesystem::path& out_dir);

// Writes `pdf` with `cii` embedded as factur-x.xml (relationship Alternative)
// and the Factur-X metadata of the EN 16931 profile to `out`. kNoPdf when qpdf
// cannot read or write it.
void EmbedFacturX(const std::filesystem::path& pdf, const std::string& cii,
                  const std::filesystem::path& out);

}  // namespace korvax::einvoice
