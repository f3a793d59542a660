// Helpers of the PDF writer tests: whole documents written and finished, their
// structure checked from the cross-reference section, external checkers run.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "builders.h"
#include "pdf/pdf_document.h"
#include "pdf/pdf_writer.h"
#include "support.h"

// Writes the planned content streams and image XObjects after a begun
// document (every page draws every image), then ends it; returns its result.
int finish_document(PdfWriter* writer, const DocumentSpec* document);

// The bytes of a PDF literal string for plain ASCII text: FE FF, then UTF-16BE.
std::string utf16be(const std::string& ascii);

// Checks header, object framing, the cross-reference section, trailer and
// end marker of a finished file of `objects` objects; `bodies`[n] receives the
// text between object n's header line and its "\rendobj\r".
void check_structure(const std::string& pdf, int32_t objects, std::vector<std::string>* bodies);

// Every date digit replaced by '#', so texts holding the clock compare.
std::string mask_dates(std::string text);

// Runs qpdf --check, mutool info and pdfinfo on the file; empty when all
// accept it, else what they said. `missing` receives the tools not installed.
std::string run_checkers(const std::filesystem::path& file, std::string* missing);
