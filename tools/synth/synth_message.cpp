#include "synth_message.h"

#include <cstdarg>
#include <cstdio>

void synth_message(char* message, size_t message_bytes, const char* format, ...) {
    if (message == nullptr || message_bytes == 0) return;
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, message_bytes, format, args);
    va_end(args);
}
