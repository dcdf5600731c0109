// Without a sanitizer the driver checks allocations itself: malloc and its siblings are
// interposed here (the codec libraries' calls come here too) and passed on to glibc's.
#include "replay_memory_limit.h"

#include <stddef.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static const char* current = NULL;

void zendavo_replay_set_current(const char* name)
{
    current = name;
}

#if defined(__SANITIZE_ADDRESS__)
#define ZENDAVO_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
#define ZENDAVO_SANITIZED 1
#endif
#endif

#ifndef ZENDAVO_SANITIZED

extern void* __libc_malloc(size_t size);
extern void* __libc_calloc(size_t count, size_t size);
extern void* __libc_realloc(void* pointer, size_t size);
extern void* __libc_memalign(size_t alignment, size_t size);

static const size_t limit = (size_t)ZENDAVO_REPLAY_LIMIT_MB << 20;

static void say(const char* text)
{
    if (write(2, text, strlen(text)) < 0) return;
}

// Reports the input and ends the run the way a sanitizer finding does.
static void tooMuch(size_t size)
{
    char number[32];
    int at = (int)sizeof number - 1;
    number[at] = '\0';
    do {
        number[--at] = (char)('0' + size % 10);
        size /= 10;
    } while (size > 0 && at > 0);
    say("memory limit: one allocation of ");
    say(number + at);
    say(" bytes (limit " ZENDAVO_REPLAY_LIMIT_MB_TEXT " MiB) while replaying ");
    say(current != NULL ? current : "(no input)");
    say("\n");
    abort();
}

void* malloc(size_t size)
{
    if (size > limit) tooMuch(size);
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size)
{
    if (size != 0 && count > limit / size) tooMuch(count * size);
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, size_t size)
{
    if (size > limit) tooMuch(size);
    return __libc_realloc(pointer, size);
}

void* memalign(size_t alignment, size_t size)
{
    if (size > limit) tooMuch(size);
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size)
{
    return memalign(alignment, size);
}

int posix_memalign(void** pointer, size_t alignment, size_t size)
{
    void* got = memalign(alignment, size);
    if (got == NULL) return 12;  // ENOMEM
    *pointer = got;
    return 0;
}

#endif
