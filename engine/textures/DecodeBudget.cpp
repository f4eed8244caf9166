#include "textures/DecodeBudget.h"

#include <unistd.h>

namespace {

struct ThreadBudget {
    bool open = false;
    uint64_t used = 0;
};
thread_local ThreadBudget budget;

std::string MiB(uint64_t bytes)
{
    return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MiB";
}

}  // namespace

uint64_t DecodeBudgetBytes()
{
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return uint64_t{4} << 30;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) / 4;
}

std::string ClaimDecodedBytes(uint64_t decodedBytes, uint64_t memoryBytes, uint64_t fileBytes)
{
    if (decodedBytes > kFreeDecodedBytes &&
        decodedBytes / kMaxDecodedBytesPerFileByte >= (fileBytes == 0 ? 1 : fileBytes))
        return "it claims " + MiB(decodedBytes) + " of pixels from " + std::to_string(fileBytes) +
               " bytes";
    if (!budget.open)
        return {};
    const uint64_t limit = DecodeBudgetBytes();
    if (memoryBytes > limit || budget.used > limit - memoryBytes)
        return "the model's images would take more than " + MiB(limit) +
               ", a quarter of this computer's memory";
    budget.used += memoryBytes;
    return {};
}

void OpenDecodeBudget(bool open)
{
    budget = {open, 0};
}
