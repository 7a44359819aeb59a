// The Windows programs' own malloc: malloc, free, realloc and calloc of the
// program's code and of the libraries linked into it (the linker wraps them)
// take blocks of up to 1 MiB from per-thread free lists.
//
// The PDF library allocates and frees millions of blocks in a folder run,
// most of a few dozen bytes, and a table of up to 128 KiB for every
// compressed block of a stream. The C runtime hands each to the system heap,
// which takes a lock per call and, under Wine, searches its free lists and
// maps fresh pages for the large tables: a profile of a folder run under
// Wine spent a third of its time in the heap and the page faults it caused.
//
// Blocks are carved from one reserved address range, so that free() can
// tell them from blocks that the C runtime allocated itself (strdup, say),
// which go back to it. A freed block goes to the freeing thread's list of
// its size; the range is never given back, so a block stays memory of its
// size for the life of the process, and a thread keeps what it needed most.
#include <windows.h>

#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" {
void *__real_malloc(std::size_t size);
void __real_free(void *p);
void *__real_realloc(void *p, std::size_t size);
void *__real_calloc(std::size_t count, std::size_t size);
}

namespace {

constexpr std::size_t kAlign = 16;                        // what malloc gives on 64-bit Windows
constexpr std::size_t kSmallClasses = 64;                 // 16, 32, ... 1024 bytes
constexpr std::size_t kMaxSmall = kSmallClasses * kAlign;
constexpr std::size_t kMediumClasses = 10;                // 2, 4, ... 1024 KiB
constexpr std::size_t kMaxBlock = kMaxSmall << kMediumClasses;
constexpr std::size_t kClasses = kSmallClasses + kMediumClasses;
constexpr std::size_t kReserve = std::size_t{16} << 30;  // address space, not memory
constexpr std::size_t kCommit = std::size_t{1} << 20;    // committed a megabyte at a time
constexpr std::size_t kRefill = 64 * 1024;               // small blocks a thread takes at a time

std::size_t classOf(std::size_t size)
{
    if (size <= kMaxSmall) {
        return size == 0 ? 0 : (size - 1) / kAlign;
    }
    return kSmallClasses + std::bit_width(size - 1) - std::bit_width(kMaxSmall);
}

std::size_t classSize(std::size_t sizeClass)
{
    return sizeClass < kSmallClasses ? (sizeClass + 1) * kAlign : kMaxSmall << (sizeClass - kSmallClasses + 1);
}

// Precedes every block with its size class; its size keeps blocks aligned.
struct alignas(kAlign) Header {
    std::uint32_t sizeClass;
};
static_assert(sizeof(Header) == kAlign);

struct FreeBlock {
    FreeBlock *next;
};

struct Cache {
    FreeBlock *free[kClasses];
    char *bump;
    char *bumpEnd;
};

// The reserved range and the thread caches. Nothing here may call malloc,
// not even to set itself up: the Windows calls below do not, where a C++
// mutex or a function-local static would.
char *base;
char *next;
char *committed;
DWORD tlsIndex = TLS_OUT_OF_INDEXES;
SRWLOCK takeLock = SRWLOCK_INIT;
INIT_ONCE setUpOnce = INIT_ONCE_STATIC_INIT;
std::atomic<bool> setUpDone{false};

BOOL CALLBACK setUp(PINIT_ONCE, PVOID, PVOID *)
{
    base = static_cast<char *>(VirtualAlloc(nullptr, kReserve, MEM_RESERVE, PAGE_NOACCESS));
    next = committed = base;
    tlsIndex = TlsAlloc();
    setUpDone.store(true, std::memory_order_release);
    return TRUE;
}

bool holds(const void *p)
{
    const char *c = static_cast<const char *>(p);
    return setUpDone.load(std::memory_order_acquire) && base != nullptr && c >= base && c < base + kReserve;
}

// Fresh memory from the range, or null when it is spent.
char *take(std::size_t size)
{
    AcquireSRWLockExclusive(&takeLock);
    char *memory = nullptr;
    if (static_cast<std::size_t>(base + kReserve - next) >= size) {
        bool ok = true;
        while (ok && committed < next + size) {
            ok = VirtualAlloc(committed, kCommit, MEM_COMMIT, PAGE_READWRITE) != nullptr;
            committed += ok ? kCommit : 0;
        }
        if (ok) {
            memory = next;
            next += size;
        }
    }
    ReleaseSRWLockExclusive(&takeLock);
    return memory;
}

// This thread's cache, made on its first block; null when there is no range
// to take it from.
Cache *cache()
{
    if (!setUpDone.load(std::memory_order_acquire)) {
        InitOnceExecuteOnce(&setUpOnce, &setUp, nullptr, nullptr);
    }
    if (base == nullptr || tlsIndex == TLS_OUT_OF_INDEXES) {
        return nullptr;
    }
    auto *c = static_cast<Cache *>(TlsGetValue(tlsIndex));
    if (c == nullptr) {
        c = reinterpret_cast<Cache *>(take(sizeof(Cache)));
        if (c != nullptr) {
            std::memset(c, 0, sizeof(Cache));
            TlsSetValue(tlsIndex, c);
        }
    }
    return c;
}

void *allocate(std::size_t size)
{
    Cache *c = cache();
    if (c == nullptr) {
        return nullptr;
    }
    const std::size_t sizeClass = classOf(size);
    if (FreeBlock *block = c->free[sizeClass]) {
        c->free[sizeClass] = block->next;
        return block;
    }
    const std::size_t total = sizeof(Header) + classSize(sizeClass);
    char *memory;
    if (sizeClass >= kSmallClasses) {
        memory = take(total);
    } else {
        if (static_cast<std::size_t>(c->bumpEnd - c->bump) < total) {
            char *refill = take(kRefill);
            if (refill == nullptr) {
                return nullptr;
            }
            c->bump = refill;
            c->bumpEnd = refill + kRefill;
        }
        memory = c->bump;
        c->bump += total;
    }
    if (memory == nullptr) {
        return nullptr;
    }
    auto *header = reinterpret_cast<Header *>(memory);
    header->sizeClass = static_cast<std::uint32_t>(sizeClass);
    return header + 1;
}

void release(void *p)
{
    const Header *header = static_cast<Header *>(p) - 1;
    Cache *c = cache();
    if (c == nullptr) {
        return;  // no cache for this thread: the block stays unused
    }
    auto *block = static_cast<FreeBlock *>(p);
    block->next = c->free[header->sizeClass];
    c->free[header->sizeClass] = block;
}

}  // namespace

extern "C" {

void *__wrap_malloc(std::size_t size)
{
    if (size <= kMaxBlock) {
        if (void *p = allocate(size)) {
            return p;
        }
    }
    return __real_malloc(size);
}

void __wrap_free(void *p)
{
    if (p == nullptr) {
        return;
    }
    if (holds(p)) {
        release(p);
    } else {
        __real_free(p);
    }
}

void *__wrap_realloc(void *p, std::size_t size)
{
    if (p == nullptr) {
        return __wrap_malloc(size);
    }
    if (!holds(p)) {
        return __real_realloc(p, size);
    }
    if (size == 0) {
        release(p);
        return nullptr;
    }
    const std::size_t have = classSize((static_cast<Header *>(p) - 1)->sizeClass);
    if (size <= have) {
        return p;
    }
    void *bigger = __wrap_malloc(size);
    if (bigger != nullptr) {
        std::memcpy(bigger, p, have);
        release(p);
    }
    return bigger;
}

void *__wrap_calloc(std::size_t count, std::size_t size)
{
    if (size != 0 && count > SIZE_MAX / size) {
        return nullptr;
    }
    void *p = __wrap_malloc(count * size);
    if (p != nullptr) {
        std::memset(p, 0, count * size);
    }
    return p;
}

}  // extern "C"
