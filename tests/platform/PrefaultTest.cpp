#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/FileFillAhead.h"
#include "platform/Prefault.h"

namespace {

const size_t kPage = static_cast<size_t>(sysconf(_SC_PAGESIZE));

uint8_t Pattern(size_t i)
{
    return static_cast<uint8_t>(i * 31 + 7);
}

// Whole pages of [at, at + bytes) that are mapped in.
size_t ResidentPages(const void* at, size_t bytes)
{
    const auto first = reinterpret_cast<uintptr_t>(at) / kPage * kPage;
    const auto end = (reinterpret_cast<uintptr_t>(at) + bytes) / kPage * kPage;
    std::vector<unsigned char> resident((end - first) / kPage);
    if (resident.empty() || mincore(reinterpret_cast<void*>(first), end - first, resident.data()))
        return 0;
    size_t count = 0;
    for (unsigned char page : resident)
        count += page & 1;
    return count;
}

bool WaitForResident(const void* at, size_t bytes, size_t pages)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (ResidentPages(at, bytes) < pages)
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return true;
}

}  // namespace

// Mapping pages in must never change what they hold, written before or while it runs.
TEST(Prefault, KeepsEveryByteWrittenBeforeOrMeanwhile)
{
    const size_t bytes = 64 * kPage;
    auto* block = static_cast<uint8_t*>(
        mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(block, MAP_FAILED);
    for (size_t i = 0; i < bytes / 2; ++i)
        block[i] = Pattern(i);
    std::thread writer([&] {
        for (size_t i = bytes / 2; i < bytes; ++i)
            block[i] = Pattern(i);
    });
    // Neither end on a page: only the whole pages inside are touched.
    platform::PrefaultPages(block + 100, bytes - 200);
    writer.join();
    for (size_t i = 0; i < bytes; ++i)
        ASSERT_EQ(block[i], Pattern(i)) << "byte " << i;
    munmap(block, bytes);
}

// In a process of its own, set up like the import worker: the heap's growth is mapped in up
// to the budget and no further, and what the process writes meanwhile stays as written.
TEST(Prefault, HeapGrowthIsMappedInUpToTheBudget)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' allocators do not grow the heap";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            mallopt(M_MMAP_MAX, 0);
            mallopt(M_TRIM_THRESHOLD, INT_MAX);
            const size_t budget = size_t{96} << 20;
            if (!platform::StartHeapPrefault(budget))
                std::_Exit(0);  // an old kernel: nothing to check
            const size_t bytes = size_t{64} << 20;
            auto* written = static_cast<uint8_t*>(std::malloc(bytes));
            for (size_t i = 0; i < bytes; ++i)
                written[i] = Pattern(i);
            auto* untouched = static_cast<uint8_t*>(std::malloc(bytes));
            for (size_t i = 0; i < bytes; ++i)
                if (written[i] != Pattern(i))
                    std::_Exit(1);
            // The second block straddles the budget's end: its first part is mapped in by
            // the thread, the pages past the budget never are.
            const size_t inBudget = budget - bytes - (size_t{1} << 20);
            if (!WaitForResident(untouched, inBudget, inBudget / kPage - 1))
                std::_Exit(2);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            const size_t tail = size_t{16} << 20;
            std::_Exit(ResidentPages(untouched + bytes - tail, tail) == 0 ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
}

// The answer's file written ahead: whatever the filling had reached, the file ends up
// holding exactly what was written after it, and a file that already holds bytes is left
// alone.
TEST(Prefault, FileFilledAheadHoldsOnlyWhatIsWrittenAfter)
{
    for (const uint64_t ahead : {uint64_t{0}, uint64_t{4096}, uint64_t{48} << 20}) {
        SCOPED_TRACE(ahead);
        const int file = memfd_create("fill-test", MFD_CLOEXEC);
        ASSERT_GE(file, 0);
        platform::FileFillAhead fill(file, ahead);
        if (ahead > 4096)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        fill.Stop();
        ASSERT_EQ(write(file, "answer", 6), 6);
        ASSERT_TRUE(platform::CutFileAtOffset(file));
        struct stat status {};
        ASSERT_EQ(fstat(file, &status), 0);
        EXPECT_EQ(status.st_size, 6);
        char back[6] = {};
        EXPECT_EQ(pread(file, back, 6, 0), 6);
        EXPECT_EQ(std::string(back, 6), "answer");
        close(file);
    }
    const int file = memfd_create("fill-test", MFD_CLOEXEC);
    ASSERT_GE(file, 0);
    ASSERT_EQ(write(file, "kept", 4), 4);
    {
        platform::FileFillAhead fill(file, uint64_t{1} << 20);
    }
    struct stat status {};
    ASSERT_EQ(fstat(file, &status), 0);
    EXPECT_EQ(status.st_size, 4);
    close(file);
}
