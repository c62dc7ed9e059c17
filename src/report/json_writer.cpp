#include "report/json_writer.h"

#include <cinttypes>
#include <cmath>
#include <cstring>

#include "tape/name_text.h"

namespace {

/// Bytes escaped at a time: long paths go through a buffer of fixed size.
constexpr size_t kEscapeChunk = 64;
constexpr int kIndentSpaces = 2;

void put_string(FILE* f, const uint8_t* bytes, size_t count) {
    std::fputc('"', f);
    char text[escaped_text_bytes(kEscapeChunk)];
    for (size_t at = 0; at < count; at += kEscapeChunk) {
        const size_t n = count - at < kEscapeChunk ? count - at : kEscapeChunk;
        escape_name(bytes + at, n, text, sizeof text);
        std::fputs(text, f);
    }
    std::fputc('"', f);
}

/// The comma after the previous item, the line break and indentation, and the key.
void open_item(JsonWriter* w, const char* key) {
    if (w->has_items[w->depth]) std::fputc(',', w->file);
    if (w->depth > 0)
        std::fprintf(w->file, "\n%*s", kIndentSpaces * static_cast<int>(w->depth), "");
    w->has_items[w->depth] = true;
    if (key != nullptr) {
        put_string(w->file, reinterpret_cast<const uint8_t*>(key), std::strlen(key));
        std::fputs(": ", w->file);
    }
}

void begin(JsonWriter* w, const char* key, char bracket) {
    if (w->depth == kMaxJsonDepth) {
        w->too_deep = true;
        return;
    }
    open_item(w, key);
    std::fputc(bracket, w->file);
    w->has_items[++w->depth] = false;
    w->closers[w->depth] = bracket == '{' ? '}' : ']';
}

void end(JsonWriter* w, char bracket) {
    if (w->depth == 0) return;
    const bool had_items = w->has_items[w->depth--];
    if (had_items) std::fprintf(w->file, "\n%*s", kIndentSpaces * static_cast<int>(w->depth), "");
    std::fputc(bracket, w->file);
    if (w->depth == 0) std::fputc('\n', w->file);
}

}  // namespace

void json_start(JsonWriter* w, FILE* file) {
    *w = JsonWriter{};
    w->file = file;
}

void json_begin_object(JsonWriter* w, const char* key) {
    begin(w, key, '{');
}

void json_end_object(JsonWriter* w) {
    end(w, '}');
}

void json_begin_array(JsonWriter* w, const char* key) {
    begin(w, key, '[');
}

void json_end_array(JsonWriter* w) {
    end(w, ']');
}

void json_close_to(JsonWriter* w, unsigned depth) {
    while (w->depth > depth) end(w, w->closers[w->depth]);
}

void json_bytes(JsonWriter* w, const char* key, const uint8_t* bytes, size_t count) {
    open_item(w, key);
    put_string(w->file, bytes, count);
}

void json_text(JsonWriter* w, const char* key, const char* text) {
    if (text == nullptr) return json_null(w, key);
    json_bytes(w, key, reinterpret_cast<const uint8_t*>(text), std::strlen(text));
}

void json_uint(JsonWriter* w, const char* key, uint64_t value) {
    open_item(w, key);
    std::fprintf(w->file, "%" PRIu64, value);
}

void json_int(JsonWriter* w, const char* key, int64_t value) {
    open_item(w, key);
    std::fprintf(w->file, "%" PRId64, value);
}

void json_number(JsonWriter* w, const char* key, double value) {
    if (!std::isfinite(value)) return json_null(w, key);
    open_item(w, key);
    // Ten digits keep microseconds over hours of recording; the C locale gives '.'.
    std::fprintf(w->file, "%.10g", value);
}

void json_bool(JsonWriter* w, const char* key, bool value) {
    open_item(w, key);
    std::fputs(value ? "true" : "false", w->file);
}

void json_uint_if(JsonWriter* w, const char* key, bool known, uint64_t value) {
    if (known) return json_uint(w, key, value);
    json_null(w, key);
}

void json_null(JsonWriter* w, const char* key) {
    open_item(w, key);
    std::fputs("null", w->file);
}

void json_hex(JsonWriter* w, const char* key, const uint8_t* bytes, size_t count) {
    open_item(w, key);
    std::fputc('"', w->file);
    for (size_t i = 0; i < count; ++i) std::fprintf(w->file, "%02X", bytes[i]);
    std::fputc('"', w->file);
}
