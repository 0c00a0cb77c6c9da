#include "imageio/jpeg_coefficient_writer.h"

#include <condition_variable>
#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#endif
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "imageio/jpeg_blocks.h"
#include "imageio/jpeg_library.h"
#include "sketch/error.h"

namespace carbonel {
namespace {

// Strips of 16 rows (one row of 4:2:0 blocks) the coder may lag behind. It is woken only once a
// few are ready: each wake-up costs about what coding a strip does.
constexpr int kSlots = 8;
constexpr int kWakeAfter = 4;

// The coder works in bursts beside two threads that never stop (the decoder and the sketcher) on
// as few as two cores. As a batch thread it never preempts them when it wakes, and the decoder,
// which everything waits for, keeps its core; without this a third of the runs took a fifth
// longer.
void codeInTheBackground() {
#if defined(__linux__)
    sched_param none{};
    pthread_setschedparam(pthread_self(), SCHED_BATCH, &none);  // a hint: a refusal changes nothing
#endif
}

}  // namespace

struct JpegCoefficientWriter::State {
    jpeg_compress_struct info{};
    JpegErrorManager errors{};
    bool created = false;
    int height = 0, rowsWritten = 0;
    int totalStrips = 0;
    int lumaBlocks = 0, chromaBlocks = 0;  // blocks across each plane, padded to whole MCUs
    FloatDivisors lumaDivisors{}, chromaDivisors{};
    std::int16_t lumaFlat[256]{}, chromaFlat[256]{};  // the DC of a block of one value
    YccStrip strip;
    int rowsInStrip = 0;
    int stripsMade = 0;

    // The ring of coefficient strips, and what libjpeg is handed for each: Y has two block rows
    // per strip, Cb and Cr one.
    // 64 to a block. Left uninitialised: their pages are first touched as strips are made, in
    // step with the decoding, not all before it starts.
    std::unique_ptr<JCOEF[]> luma, cb, cr;
    std::vector<std::uint8_t> lumaAcZero, cbAcZero, crAcZero;  // per block: no AC held yet is 0
    JBLOCKROW lumaRows[kSlots][2]{}, cbRows[kSlots][1]{}, crRows[kSlots][1]{};
    char components[3]{};  // their addresses name the three "virtual arrays" libjpeg asks for
    decltype(jpeg_memory_mgr::access_virt_barray) libraryAccess = nullptr;

    std::mutex mutex;
    std::condition_variable changed;
    int coderAt = 0;  // the strip the coder works on; those before are free
    bool stopped = false, coderEnded = false, coderFailed = false;
    std::thread coder;

    // On one core the coder codes only while the maker waits: a full ring at a time, handed over
    // by coderTurn.
    bool alternate = false;
    bool coderTurn = false;

    explicit State(int width) : strip(width) {}
    ~State() {
        stop();
        if (created) jpeg_destroy_compress(&info);
    }
    // Ends the coder, where it still runs, without the rest of the file.
    void stop() {
        if (!coder.joinable()) return;
        {
            std::lock_guard lock(mutex);
            stopped = true;
        }
        changed.notify_all();
        coder.join();
    }

    void makeFlatTables() {
        std::uint8_t flat[64];
        std::int16_t block[64];
        for (int value = 0; value < 256; ++value) {
            std::memset(flat, value, sizeof flat);
            quantizeBlock(flat, 8, lumaDivisors, block);
            lumaFlat[value] = block[0];
            quantizeBlock(flat, 8, chromaDivisors, block);
            chromaFlat[value] = block[0];
        }
    }

    // One plane's row of blocks, 8 sample rows from `samples`. `acZero` tells, for each block
    // of the slot, whether it holds no AC coefficient already (from the strip before), so that
    // paper flat strip after strip is not cleared again and again.
    static void transformRow(const std::uint8_t* samples, int stride, int blocks,
                             const FloatDivisors& divisors, const std::int16_t* flatDc,
                             JBLOCKROW out, std::uint8_t* acZero) {
        for (int b = 0; b < blocks; ++b) {
            const std::uint8_t* at = samples + 8 * b;
            if (blockIsFlat(at, stride)) {
                if (!acZero[b]) std::memset(out[b], 0, sizeof(JBLOCK));
                out[b][0] = flatDc[*at];
                acZero[b] = 1;
            } else {
                quantizeBlock(at, stride, divisors, out[b]);
                acZero[b] = 0;
            }
        }
    }

    // A row of blocks with every coefficient 0.
    static void clearRow(int blocks, JBLOCKROW out, std::uint8_t* acZero) {
        for (int b = 0; b < blocks; ++b) {
            if (!acZero[b]) std::memset(out[b], 0, sizeof(JBLOCK));
            out[b][0] = 0;
            acZero[b] = 1;
        }
    }

    // Turns the strip into coefficients, once the coder has freed its slot.
    void makeStrip() {
        const int rows = rowsInStrip;
        rowsInStrip = 0;  // also when this fails: a strip never takes more than 16 rows
        strip.makePlanes(rows);
        {
            std::unique_lock lock(mutex);
            if (alternate) {
                changed.wait(lock, [&] { return coderEnded || !coderTurn; });
            } else if (stripsMade - coderAt >= kSlots) {
                changed.wait(lock, [&] { return coderEnded || stripsMade - coderAt < kSlots; });
            }
            // The coder ends early only when it failed (a write refused).
            if (coderEnded && coderFailed) throwJpegError(errors);
        }
        const int slot = stripsMade % kSlots;
        const int width = strip.paddedWidth();
        std::uint8_t* lumaZero = &lumaAcZero[std::size_t(slot) * 2 * lumaBlocks];
        std::uint8_t* cbZero = &cbAcZero[std::size_t(slot) * chromaBlocks];
        std::uint8_t* crZero = &crAcZero[std::size_t(slot) * chromaBlocks];
        for (int row = 0; row < 2; ++row) {
            transformRow(strip.luma() + std::size_t(8 * row) * width, width, lumaBlocks,
                         lumaDivisors, lumaFlat, lumaRows[slot][row], lumaZero + row * lumaBlocks);
        }
        if (strip.grey()) {
            // Grey has Cb = Cr = 128: every chroma coefficient is 0.
            clearRow(chromaBlocks, cbRows[slot][0], cbZero);
            clearRow(chromaBlocks, crRows[slot][0], crZero);
        } else {
            transformRow(strip.blueDifference(), width / 2, chromaBlocks, chromaDivisors,
                         chromaFlat, cbRows[slot][0], cbZero);
            transformRow(strip.redDifference(), width / 2, chromaBlocks, chromaDivisors, chromaFlat,
                         crRows[slot][0], crZero);
        }
        bool wake = false;
        {
            std::lock_guard lock(mutex);
            ++stripsMade;
            wake = stripsMade - coderAt >= (alternate ? kSlots : kWakeAfter) ||
                   stripsMade == totalStrips;
            if (alternate && wake) coderTurn = true;
        }
        if (!wake) return;
        changed.notify_all();
        if (alternate && stripsMade < totalStrips) {
            // On one core the maker waits while the coder codes the ring. After the last strip
            // it waits in finish().
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return coderEnded || !coderTurn; });
        }
    }

    // Counts a row in; one past the picture's height is refused, as libjpeg refuses it.
    void countRow() {
        if (rowsWritten == height)
            throw Error("JPEG file refused: more rows than the picture's height");
        ++rowsWritten;
    }

    // libjpeg's coder asks for the block rows of one strip and component at a time, in order.
    static JBLOCKARRAY accessRows(j_common_ptr common, jvirt_barray_ptr array, JDIMENSION start,
                                  JDIMENSION count, boolean writable) {
        auto* state = static_cast<State*>(common->client_data);
        const auto* component = reinterpret_cast<const char*>(array);
        if (component < state->components || component >= state->components + 3)
            return state->libraryAccess(common, array, start, count, writable);
        const bool isLuma = component == state->components;
        const int wanted = static_cast<int>(isLuma ? start / 2 : start);
        bool stopped = false;
        {
            std::unique_lock lock(state->mutex);
            // The maker waits only when the ring is full: for a free slot, or on one core for
            // the coder to have caught up.
            const bool freesASlot = state->stripsMade - state->coderAt >= kSlots;
            state->coderAt = wanted;
            if (state->alternate) {
                if (state->coderTurn && wanted == state->stripsMade) {
                    state->coderTurn = false;
                    state->changed.notify_all();
                }
            } else if (freesASlot) {
                state->changed.notify_all();
            }
            state->changed.wait(lock, [&] {
                return state->stopped ||
                       (state->stripsMade > wanted && (!state->alternate || state->coderTurn));
            });
            stopped = state->stopped;
        }
        // Out of the lock's scope: the jump skips destructors.
        if (stopped) jumpWithReason(common, "the file was abandoned");
        const int slot = wanted % kSlots;
        if (isLuma) return state->lumaRows[slot];
        return component == state->components + 1 ? state->cbRows[slot] : state->crRows[slot];
    }

    static void code(void* raw) {
        auto* state = static_cast<State*>(raw);
        jvirt_barray_ptr arrays[3];
        for (int i = 0; i < 3; ++i)
            arrays[i] = reinterpret_cast<jvirt_barray_ptr>(&state->components[i]);
        jpeg_write_coefficients(&state->info, arrays);
        jpeg_finish_compress(&state->info);
    }
};

JpegCoefficientWriter::JpegCoefficientWriter(std::FILE* out, int width, int height, int quality,
                                             bool oneCore)
    : state_(std::make_unique<State>(width)) {
    State& s = *state_;
    s.alternate = oneCore;
    installErrorManager(s.errors);
    s.info.err = &s.errors.base;
    struct Setup {
        State* state;
        std::FILE* out;
        int width, height, quality;
    } setup{&s, out, width, height, quality};
    const bool ready = runGuarded(
        &s.errors,
        [](void* raw) {
            auto* setup = static_cast<Setup*>(raw);
            jpeg_create_compress(&setup->state->info);
            setup->state->created = true;
            configureEncoder(&setup->state->info, setup->out, setup->width, setup->height,
                             setup->quality);
        },
        &setup);
    if (!ready) throwJpegError(s.errors);
    s.height = height;
    s.totalStrips = (height + 15) / 16;
    s.info.client_data = &s;
    s.libraryAccess = s.info.mem->access_virt_barray;
    s.info.mem->access_virt_barray = State::accessRows;
    const jpeg_component_info* components = s.info.comp_info;
    s.lumaDivisors = floatDivisors(s.info.quant_tbl_ptrs[components[0].quant_tbl_no]->quantval);
    s.chromaDivisors = floatDivisors(s.info.quant_tbl_ptrs[components[1].quant_tbl_no]->quantval);
    s.makeFlatTables();
    const int padded = s.strip.paddedWidth();
    s.lumaBlocks = padded / 8;
    s.chromaBlocks = padded / 16;
    s.luma.reset(new JCOEF[std::size_t(kSlots) * 2 * s.lumaBlocks * 64]);
    s.lumaAcZero.assign(std::size_t(kSlots) * 2 * s.lumaBlocks, 0);
    s.cbAcZero.assign(std::size_t(kSlots) * s.chromaBlocks, 0);
    s.crAcZero.assign(std::size_t(kSlots) * s.chromaBlocks, 0);
    s.cb.reset(new JCOEF[std::size_t(kSlots) * s.chromaBlocks * 64]);
    s.cr.reset(new JCOEF[std::size_t(kSlots) * s.chromaBlocks * 64]);
    auto blocksAt = [](std::unique_ptr<JCOEF[]>& plane, std::size_t block) {
        return reinterpret_cast<JBLOCKROW>(&plane[block * 64]);
    };
    for (int slot = 0; slot < kSlots; ++slot) {
        for (int row = 0; row < 2; ++row)
            s.lumaRows[slot][row] = blocksAt(s.luma, std::size_t(2 * slot + row) * s.lumaBlocks);
        s.cbRows[slot][0] = blocksAt(s.cb, std::size_t(slot) * s.chromaBlocks);
        s.crRows[slot][0] = blocksAt(s.cr, std::size_t(slot) * s.chromaBlocks);
    }
    s.coder = std::thread([&s] {
        codeInTheBackground();
        const bool coded = runGuarded(&s.errors, State::code, &s);
        {
            std::lock_guard lock(s.mutex);
            s.coderEnded = true;
            s.coderFailed = !coded;
        }
        s.changed.notify_all();
    });
}

JpegCoefficientWriter::~JpegCoefficientWriter() = default;

void JpegCoefficientWriter::writeRow(const std::uint8_t* row) {
    State& s = *state_;
    s.countRow();
    s.strip.setRow(s.rowsInStrip++, row);
    if (s.rowsInStrip == 16) s.makeStrip();
}

void JpegCoefficientWriter::writeGreyRow(const std::uint8_t* grey) {
    State& s = *state_;
    s.countRow();
    s.strip.setGreyRow(s.rowsInStrip++, grey);
    if (s.rowsInStrip == 16) s.makeStrip();
}

void JpegCoefficientWriter::finish() {
    State& s = *state_;
    if (s.rowsWritten < s.height) {
        // The coder would wait for the missing rows for ever. Its own failure, if it had one
        // before it is stopped, says more.
        bool failedAlready = false;
        {
            std::lock_guard lock(s.mutex);
            failedAlready = s.coderEnded && s.coderFailed;
        }
        s.stop();
        if (failedAlready) throwJpegError(s.errors);
        throw Error("JPEG file refused: fewer rows than the picture's height");
    }
    if (s.rowsInStrip > 0) s.makeStrip();
    s.coder.join();
    if (s.coderFailed) throwJpegError(s.errors);
}

}  // namespace carbonel
