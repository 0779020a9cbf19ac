// Broken input for the binary and DXF readers: thousands of truncated and
// byte-flipped versions of a rich file each end with a load or a ReadError,
// never with a crash, another exception, a hang or an allocation out of
// proportion to the file. A load leaves only indices that point into the
// import lists. Fixed seed, so a failure can be replayed.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <random>

#include "model/Model.h"
#include "readers/DxfReader.h"
#include "readers/LwoReader.h"
#include "readers/ThreeDSReader.h"
#include "tests/readers/ReaderFixtures.h"
#include "tests/readers/ReaderTestBase.h"

#if defined(__SANITIZE_ADDRESS__)
#define MIRELAN_MEASURE_ALLOCATIONS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MIRELAN_MEASURE_ALLOCATIONS 1
#endif
#endif

namespace {

// The most heap memory held at once while a read runs, measured through the
// address sanitizer's allocation hooks (only in the sanitizer build).
#ifdef MIRELAN_MEASURE_ALLOCATIONS
extern "C" {
std::size_t __sanitizer_get_allocated_size(const volatile void* p);
int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, std::size_t),
                                              void (*free_hook)(const volatile void*));
}
std::atomic<bool> metering{false};
std::atomic<int64_t> heldBytes{0};
std::atomic<int64_t> peakBytes{0};
void OnMalloc(const volatile void*, std::size_t size) {
    if (!metering.load(std::memory_order_relaxed)) return;
    const int64_t now = heldBytes.fetch_add(static_cast<int64_t>(size), std::memory_order_relaxed) +
                        static_cast<int64_t>(size);
    int64_t peak = peakBytes.load(std::memory_order_relaxed);
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
}
void OnFree(const volatile void* p) {
    if (!metering.load(std::memory_order_relaxed) || !p) return;
    heldBytes.fetch_sub(static_cast<int64_t>(__sanitizer_get_allocated_size(p)), std::memory_order_relaxed);
}
void StartMeter() {
    static const bool installed = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;
    (void)installed;
    heldBytes = 0;
    peakBytes = 0;
    metering = true;
}
int64_t StopMeter() {
    metering = false;
    return peakBytes.load();
}
constexpr bool MeteringAvailable = true;
#else
void StartMeter() {}
int64_t StopMeter() { return 0; }
constexpr bool MeteringAvailable = false;
#endif

// What a read may hold at once: a fixed allowance for the reader's own work
// buffers and the status lines, and a share per byte of the file (a few
// records per byte at most, with the growth of their lists).
int64_t AllocationBound(std::size_t fileSize) { return 512 * 1024 + 256 * static_cast<int64_t>(fileSize); }

using ReadBytes = void (*)(tscene&, std::string_view);

void Read3DSQuietly(tscene& scene, std::string_view bytes) { Read3DSBytes(scene, bytes); }

class ReaderMutationTest : public ModelReaderTest {
protected:
    // One damaged version of `file`.
    static std::string Mutate(const std::string& file, std::mt19937& rng, bool text) {
        std::string m = file;
        auto pick = [&](std::size_t n) { return n == 0 ? std::size_t(0) : std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
        const int kind = static_cast<int>(pick(text ? 6 : 5));
        switch (kind) {
        case 0:  // truncated
            m.resize(pick(m.size()));
            break;
        case 1:  // a few bytes changed
        case 2: {
            const std::size_t n = 1 + pick(kind == 1 ? 2 : 8);
            for (std::size_t i = 0; i < n && !m.empty(); ++i) m[pick(m.size())] = static_cast<char>(pick(256));
            break;
        }
        case 3: {  // a counter or length overwritten with an extreme value
            static const uint32_t values[] = {0, 1, 0x7F, 0x80, 0xFF, 0x7FFF, 0x8000, 0xFFFF, 0x7FFFFFFF, 0x80000000u,
                                              0xFFFFFFFFu, 0xFF00FFFFu};
            if (m.size() < 4) break;
            const uint32_t v = values[pick(std::size(values))];
            const std::size_t at = pick(m.size() - 3);
            const std::size_t width = 1 + pick(4);
            for (std::size_t i = 0; i < width && at + i < m.size(); ++i) m[at + i] = static_cast<char>(v >> (8 * i));
            break;
        }
        case 4: {  // a slice of the file repeated elsewhere, then cut
            const std::size_t from = pick(m.size()), length = pick(std::min<std::size_t>(64, m.size() - from + 1));
            const std::string slice = m.substr(from, length);
            m.insert(pick(m.size() + 1), slice);
            if (pick(2)) m.resize(pick(m.size() + 1));
            break;
        }
        default: {  // text: a number line replaced by an extreme number
            static const char* numbers[] = {"-1", "0", "4", "5", "9", "64", "128", "192", "256", "-2147483648",
                                            "99999999999", "1e308", "-0", "nan", ""};
            std::size_t start = pick(m.size());
            start = m.rfind('\n', start);
            start = start == std::string::npos ? 0 : start + 1;
            const std::size_t end = m.find('\n', start);
            m.replace(start, (end == std::string::npos ? m.size() : end) - start, numbers[pick(std::size(numbers))]);
            break;
        }
        }
        return m;
    }

    void Run(const char* name, const std::string& fixture, ReadBytes read, bool text, int count, uint32_t seed) {
        std::mt19937 rng(seed);
        int loaded = 0, refused = 0;
        int64_t largestPeak = 0;
        std::size_t largestPeakSize = 0;
        double slowest = 0;
        const auto started = std::chrono::steady_clock::now();
        for (int i = 0; i < count; ++i) {
            const std::string bytes = i == 0 ? fixture : Mutate(fixture, rng, text);
            fixtures::ResetModel();
            for (auto& page : status.pages) page.clear();
            prompts.shown.clear();
            Scene.modelFile = std::string("mutated.") + name;

            const auto t0 = std::chrono::steady_clock::now();
            StartMeter();
            bool ok = false;
            try {
                read(Scene, bytes);
                ok = true;
            } catch (const ReadError&) {
                ++refused;
            } catch (const std::exception& e) {
                StopMeter();
                FAIL() << name << " mutation " << i << ": unexpected error " << e.what();
            }
            const int64_t peak = StopMeter();
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            slowest = std::max(slowest, seconds);
            ASSERT_LT(seconds, 2.0) << name << " mutation " << i << " took too long";
            ASSERT_LE(peak, AllocationBound(bytes.size()))
                << name << " mutation " << i << " held " << peak << " bytes for a file of " << bytes.size();
            if (peak > largestPeak) {
                largestPeak = peak;
                largestPeakSize = bytes.size();
            }
            if (!ok) continue;
            ++loaded;
            ExpectIndicesInRange(name, i);
            if (HasFailure()) return;
        }
        const double total = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::printf("%s: %d loaded, %d refused, slowest read %.3f s, all %.2f s%s\n", name, loaded, refused, slowest,
                    total, MeteringAvailable ? "" : " (allocations not measured in this build)");
        if (MeteringAvailable)
            std::printf("%s: at most %lld bytes held by a read (of a file of %zu bytes)\n", name,
                        static_cast<long long>(largestPeak), largestPeakSize);
        EXPECT_GT(loaded, count / 4);
    }

    static void ExpectIndicesInRange(const char* name, int mutation) {
        const int32_t vertices = static_cast<int32_t>(ImportVertices.size());
        const int32_t uvs = static_cast<int32_t>(ImportUVs.size());
        const int32_t groups = static_cast<int32_t>(ImportGroups.size());
        const int32_t materials = static_cast<int32_t>(ImportMaterials.size());
        for (std::size_t f = 0; f < ImportFaces.size(); ++f) {
            const tface& face = ImportFaces[f];
            for (int c = 0; c < 3; ++c) {
                ASSERT_TRUE(face.vertex[c] >= 1 && face.vertex[c] <= vertices) << name << " mutation " << mutation;
                ASSERT_TRUE(face.uv[c] >= 0 && face.uv[c] <= uvs) << name << " mutation " << mutation;
            }
            ASSERT_TRUE(face.group >= 0 && face.group < groups) << name << " mutation " << mutation;
            ASSERT_TRUE(face.material >= 0 && face.material < materials) << name << " mutation " << mutation;
        }
    }
};

TEST_F(ReaderMutationTest, ThreeDS) { Run("3ds", build::Rich3DS(), Read3DSQuietly, false, 6000, 101); }
TEST_F(ReaderMutationTest, LWOB) { Run("lwob", build::RichLWOB(), ReadLWOBytes, false, 4000, 202); }
TEST_F(ReaderMutationTest, LWO2) { Run("lwo2", build::RichLWO2(), ReadLWOBytes, false, 4000, 303); }
TEST_F(ReaderMutationTest, DXF) { Run("dxf", build::RichDXF(), ReadDXFBytes, true, 5000, 404); }

}  // namespace
