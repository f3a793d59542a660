// The temporary file is created only under a name no file has, so no file is
// ever taken over, and a name taken (a leftover, a planted link) is passed by
// for a new random one.
#include "driver/outputs/temporary_document.h"

#include "driver/outputs/output_path.h"
#include "pdf/pdf_merged.h"
#include "pdf/pdf_writer.h"
#include "platform/files.h"
#include "platform/text.h"

constexpr int TEMPORARY_TRIES = 16;

static_assert(TEXT_VALUE_UNITS <= METADATA_TEXT_UNITS, "the writer holds every text the line can give");

int choose_document(const WCHAR* title, const ConvertSettings* settings, DocumentChoices* choices,
                    Failure* failure) {
    const int archive = (settings->flags & CONVERT_PDFA) != 0;
    const MetadataSettings* given = &settings->metadata;
    if (archive && given->title[0] == 0 && !xml_can_hold(title)) {
        note_failure(failure, FAILED_INPUT, "its name holds a control character, which PDF/A-1 metadata cannot");
        if (failure != nullptr) failure->refused = 1;
        return 0;
    }
    choices->metadata = {given->title, given->author, given->subject, given->keywords, given->fixed_date,
                         given->fixed_seconds};
    choices->archive = archive;
    choices->creation_date[0] = 0;
    return 1;
}

int begin_temporary_document(PdfWriter* writer, const WCHAR* output_path, DocumentSpec* document,
                             const DocumentChoices* choices, WCHAR* temporary_path, Failure* failure) {
    for (int attempt = 0; attempt < TEMPORARY_TRIES; ++attempt) {
        if (!make_temporary_path(output_path, temporary_path)) {
            note_failure(failure, FAILED_PDF, "no temporary name could be made beside it");
            return 0;
        }
        if (document != nullptr) document->output_path = temporary_path;
        if (document != nullptr ? pdf_begin_document(writer, document)
                                : pdf_begin_merged(writer, temporary_path, choices))
            return 1;
        if (pdf_writer_is_open(writer)) {
            // Created, then the header failed: nothing of it may stay.
            if (document != nullptr)
                pdf_end_document(writer);
            else
                pdf_end_merged(writer, nullptr);
            pdf_hand_failure(writer, failure);
            delete_file(temporary_path);
            return 0;
        }
        // Not created although the name was free: the folder refuses it.
        if (GetLastError() != ERROR_FILE_EXISTS) {
            note_last_error(failure, FAILED_PDF);
            return 0;
        }
    }
    note_failure(failure, FAILED_PDF, "every temporary name tried beside it was taken");
    return 0;
}

int finish_temporary_document(int complete, const WCHAR* temporary_path, const WCHAR* output_path,
                              Failure* failure) {
    if (complete && replace_file(temporary_path, output_path)) return 1;
    if (complete) note_last_error(failure, FAILED_PDF);
    delete_file(temporary_path);
    return 0;
}
