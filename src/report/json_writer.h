#pragma once

// A JSON document written as it goes, to a stream, without building it in
// memory: objects and arrays nest up to kMaxJsonDepth, commas and
// indentation are the writer's business. Every string, keys included, goes
// through the one escaping of tape names (bytes outside printable ASCII as
// \u00XX), so any bytes make valid JSON and come back one for one. Numbers
// use '.' whatever the locale; a number that is not finite is written null.

#include <cstddef>
#include <cstdint>
#include <cstdio>

constexpr unsigned kMaxJsonDepth = 8;

struct JsonWriter {
    FILE* file = nullptr;
    unsigned depth = 0;                      ///< open objects and arrays
    bool has_items[kMaxJsonDepth + 1] = {};  ///< per level: an item written, a comma due
    char closers[kMaxJsonDepth + 1] = {};    ///< per level: '}' or ']'

    bool too_deep = false;  ///< a level beyond kMaxJsonDepth was refused
};

void json_start(JsonWriter* w, FILE* file);

/// `key` names the member inside an object; null inside an array or at the top.
void json_begin_object(JsonWriter* w, const char* key);
void json_end_object(JsonWriter* w);
void json_begin_array(JsonWriter* w, const char* key);
void json_end_array(JsonWriter* w);
/// Closes the objects and arrays open above `depth` (0: all), so a record
/// cut short stays valid.
void json_close_to(JsonWriter* w, unsigned depth);

void json_bytes(JsonWriter* w, const char* key, const uint8_t* bytes, size_t count);
void json_text(JsonWriter* w, const char* key, const char* text);  ///< null text: null
void json_uint(JsonWriter* w, const char* key, uint64_t value);
/// The value when it is known, else null.
void json_uint_if(JsonWriter* w, const char* key, bool known, uint64_t value);
void json_int(JsonWriter* w, const char* key, int64_t value);
void json_number(JsonWriter* w, const char* key, double value);
void json_bool(JsonWriter* w, const char* key, bool value);
void json_null(JsonWriter* w, const char* key);
/// Bytes as a string of two hex digits each.
void json_hex(JsonWriter* w, const char* key, const uint8_t* bytes, size_t count);
