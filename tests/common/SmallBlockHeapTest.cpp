// The Windows programs' own malloc (linked into this suite as into them):
// blocks of every size hold what is written to them without touching their
// neighbours, keep it through realloc, come back zeroed from calloc, move
// between threads, and blocks of the C runtime's own go back to it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

bool filledWith(const void *p, std::size_t size, unsigned char byte)
{
    const auto *bytes = static_cast<const unsigned char *>(p);
    for (std::size_t i = 0; i < size; ++i) {
        if (bytes[i] != byte) {
            return false;
        }
    }
    return true;
}

TEST(SmallBlockHeap, BlocksOfEverySizeKeepTheirBytes)
{
    // Each side of every edge between sizes served differently: 16-byte
    // steps, powers of two past 1 KiB, the C runtime past 1 MiB.
    const std::size_t sizes[] = {0,    1,    15,   16,    17,     1008,       1024,          1025,
                                 2048, 2049, 4096, 65537, 131072, 1u << 20, (1u << 20) + 1, 3u << 20};
    for (const std::size_t size : sizes) {
        std::vector<void *> blocks;
        for (int i = 0; i < 8; ++i) {
            void *p = std::malloc(size);
            ASSERT_NE(p, nullptr) << size;
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 16, 0u) << size;
            std::memset(p, 0xA0 + i, size);
            blocks.push_back(p);
        }
        for (int i = 0; i < 8; ++i) {
            EXPECT_TRUE(filledWith(blocks[i], size, static_cast<unsigned char>(0xA0 + i))) << size;
        }
        // Grown twice over, a block keeps its bytes.
        void *grown = std::realloc(blocks[0], 2 * size + 1);
        ASSERT_NE(grown, nullptr) << size;
        EXPECT_TRUE(filledWith(grown, size, 0xA0)) << size;
        blocks[0] = grown;
        for (void *p : blocks) {
            std::free(p);
        }
        // A block used before comes back zeroed from calloc.
        auto *zeroed = static_cast<unsigned char *>(std::calloc(size + 1, 1));
        ASSERT_NE(zeroed, nullptr) << size;
        EXPECT_TRUE(filledWith(zeroed, size + 1, 0)) << size;
        std::free(zeroed);
    }
}

TEST(SmallBlockHeap, BlocksMoveBetweenThreadsAndRuntimeBlocksGoBack)
{
    std::vector<char *> made;
    std::thread maker([&made] {
        for (int i = 0; i < 1000; ++i) {
            made.push_back(static_cast<char *>(std::malloc(48)));
            std::snprintf(made.back(), 48, "block %d", i);
        }
    });
    maker.join();
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(std::string(made[i]), "block " + std::to_string(i));
        std::free(made[i]);
    }
    std::vector<char *> reused;
    for (int i = 0; i < 1000; ++i) {
        reused.push_back(static_cast<char *>(std::malloc(48)));
        std::memset(reused.back(), 'r', 48);
    }
    for (char *p : reused) {
        EXPECT_TRUE(filledWith(p, 48, 'r'));
        std::free(p);
    }
    // Allocated inside the C runtime, freed here.
    for (int i = 0; i < 100; ++i) {
        char *copy = _strdup("a string the runtime copied");
        ASSERT_NE(copy, nullptr);
        std::free(copy);
    }
}

}  // namespace
