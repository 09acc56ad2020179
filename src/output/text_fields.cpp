#include "output/text_fields.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <initializer_list>
#include <unistd.h>

#include "base/fd_io.h"
#include "base/str_util.h"

namespace {

const char ENCLOSURE_CANDIDATES[] = "\"'`~^#@!%$";
const char RECORD_SEPARATORS[] = "\x1e\x1f\x1d\x1c";

constexpr size_t REWRITE_CHUNK = 1024 * 1024;

bool holds(const char* text, size_t length, char c)
{
    return length > 0 && memchr(text, c, length) != nullptr;
}

} // namespace

void init_text_fields(PTEXT_FIELDS fields, const char* delimiter)
{
    memset(fields, 0, sizeof(*fields));
    copy_str(fields->delimiter, sizeof(fields->delimiter), delimiter);
    size_t d = strlen(fields->delimiter);
    fields->delimiter_len = (ub1)d;
    fields->enclosure = '"';
    for (const char* c = ENCLOSURE_CANDIDATES; *c; c++) {
        if (!holds(fields->delimiter, d, *c)) {
            fields->enclosure = *c;
            break;
        }
    }
    fields->careful[(ub1)fields->enclosure] = 1;
    fields->careful[(ub1)'\r'] = 1;
    fields->careful[(ub1)'\n'] = 1;
    if (d > 0)
        fields->careful[(ub1)fields->delimiter[0]] = 1;
    for (ub1 c : {(ub1)' ', (ub1)'\t', (ub1)'\f', (ub1)'\v'})
        fields->leading[c] = 1;
    fields->record_end[0] = '\n';
    fields->record_end_len = 1;
    fields->writer_pid = getpid();
    fields->enclosure_word = EVERY_BYTE * (ub1)fields->enclosure;
    fields->delimiter_word = EVERY_BYTE * (ub1)(d > 0 ? fields->delimiter[0] : fields->enclosure);
    for (ub1 filler : {(ub1)'A', (ub1)'B', (ub1)'C'}) {
        if (!fields->careful[filler]) {
            fields->filler_word = EVERY_BYTE * filler;
            break;
        }
    }
    // The converters write numbers, dates, timestamps, RAW, ROWID and
    // floating-point values with digits, letters and these marks only.
    const char* typed_marks = "+-.: /~";
    ub1 d0 = d > 0 ? (ub1)fields->delimiter[0] : 0;
    auto in_typed_text = [&](ub1 c) { return isalnum(c) || (c != 0 && strchr(typed_marks, c) != nullptr); };
    fields->typed_plain = !in_typed_text(d0) && !in_typed_text((ub1)fields->enclosure);
}

int text_value_needs_enclosure(const TEXT_FIELDS* fields, const char* data, size_t length)
{
    if (length == 0)
        return FALSE;
    if (fields->leading[(ub1)data[0]])
        return TRUE;
    const char* d = fields->delimiter;
    size_t d_len = fields->delimiter_len;
    for (size_t i = 0; i < length; i++) {
        char c = data[i];
        if (c == fields->enclosure || c == '\r' || c == '\n')
            return TRUE;
        if (d_len == 0 || c != d[0])
            continue;
        // Does a delimiter begin here, read on into the delimiter that
        // follows the value?
        size_t k = 1;
        while (k < d_len && (i + k < length ? data[i + k] : d[i + k - length]) == d[k])
            k++;
        if (k == d_len)
            return TRUE;
    }
    return FALSE;
}

void put_enclosed_text(POUTPUT_FILE out, PTEXT_FIELDS fields, const char* data, size_t length)
{
    // A worker writing a part of the file cannot rewrite what the others
    // wrote: it says so, and the table's own process reads again.
    if (!fields->line_breaks && holds(data, length, '\n') && getpid() != fields->writer_pid)
        fields->part_line_break = 1;
    else if (!fields->line_breaks && holds(data, length, '\n')) {
        char end[RECORD_END_MAX_LEN + 1] = {RECORD_SEPARATORS[0], fields->enclosure, '\n', '\0'};
        char last = fields->delimiter_len > 0 ? fields->delimiter[fields->delimiter_len - 1] : '\0';
        for (const char* c = RECORD_SEPARATORS; *c; c++) {
            if (*c != last) {
                end[0] = *c;
                break;
            }
        }
        if (flush_output_file(out)) {
            int error = rewrite_record_ends(out->fp, end, RECORD_END_MAX_LEN);
            if (error != 0)
                set_output_error(out, error);
        }
        memcpy(fields->record_end, end, sizeof(end));
        fields->record_end_len = RECORD_END_MAX_LEN;
        fields->line_breaks = 1;
    }
    fields->enclosed = 1;
    char q = fields->enclosure;
    put_output_char(out, q);
    size_t from = 0;
    for (size_t i = 0; i < length; i++) {
        if (data[i] == q) {
            put_output_bytes(out, data + from, i + 1 - from);
            put_output_char(out, q);
            from = i + 1;
        }
    }
    put_output_bytes(out, data + from, length - from);
    put_output_char(out, q);
}

int rewrite_record_ends(FILE* fp, const char* record_end, size_t record_end_len)
{
    if (fp == nullptr || record_end_len == 0)
        return EINVAL;
    if (fflush(fp) != 0)
        return errno != 0 ? errno : EIO;
    int fd = fileno(fp);
    off_t size = lseek(fd, 0, SEEK_END);
    if (size < 0)
        return errno;
    char* in = (char*)malloc(REWRITE_CHUNK);
    char* out = (char*)malloc(REWRITE_CHUNK * record_end_len);
    int error = in == nullptr || out == nullptr ? ENOMEM : 0;
    // Every line feed grows the file by record_end_len - 1 bytes.
    off_t line_feeds = 0;
    for (off_t at = 0; error == 0 && at < size;) {
        size_t n = (size_t)(size - at) < REWRITE_CHUNK ? (size_t)(size - at) : REWRITE_CHUNK;
        error = pread_exact(fd, in, n, at);
        for (size_t i = 0; error == 0 && i < n; i++)
            line_feeds += in[i] == '\n';
        at += (off_t)n;
    }
    // From the end backwards: a byte only ever moves towards the end, onto
    // bytes already read.
    off_t read_end = size;
    off_t write_end = size + line_feeds * (off_t)(record_end_len - 1);
    while (error == 0 && read_end > 0) {
        size_t n = (size_t)read_end < REWRITE_CHUNK ? (size_t)read_end : REWRITE_CHUNK;
        off_t read_start = read_end - (off_t)n;
        error = pread_exact(fd, in, n, read_start);
        if (error != 0)
            break;
        size_t room = REWRITE_CHUNK * record_end_len;
        size_t made = 0;
        for (size_t i = n; i-- > 0;) {
            if (in[i] == '\n') {
                made += record_end_len;
                memcpy(out + room - made, record_end, record_end_len);
            } else {
                out[room - ++made] = in[i];
            }
        }
        error = pwrite_all(fd, out + room - made, made, write_end - (off_t)made);
        write_end -= (off_t)made;
        read_end = read_start;
    }
    free(in);
    free(out);
    if (error == 0 && fseeko(fp, 0, SEEK_END) != 0)
        error = errno != 0 ? errno : EIO;
    return error;
}
