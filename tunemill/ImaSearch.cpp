#include "ImaSearch.h"

#include <algorithm>

#include "ImaSearchLanes.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define TUNEMILL_SSE2 1
#include "ImaSearchVectors.h"
#endif

#if defined(_MSC_VER) && (defined(_M_IX86) || defined(_M_X64))
#include <intrin.h>
#define TUNEMILL_CPUID 1
#elif defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#define TUNEMILL_CPUID 1
#endif

namespace tunemill {

// The search with SSE4.1, in a file of its own compiled for it; called only
// where the processor has it.
void SearchImaSse41(ImaSearch::Band& band, ImaSearch::Plain& plain, ImaSearch::Step* steps, size_t count,
                    uint8_t* history, size_t planEnd);

namespace {

// The usual encoder's tables (ImaSearchLanes.h), from the standard ones.
PlainTables MakePlainTables()
{
    PlainTables t = {};
    for (int index = 0; index < 89; ++index) {
        const int size = kImaStepSizes[index], half = size >> 1, quarter = size >> 2;
        const int reached[7] = {quarter,        half,        half + quarter,       size,
                                size + quarter, size + half, size + half + quarter};
        for (int m = 0; m < 8; ++m) {
            t.thresholds[index][m] = static_cast<int16_t>(m < 7 ? (reached[m] - 1) ^ 0x8000 : 0x7FFF);
            t.moves[index][m] = static_cast<uint16_t>((size >> 3) + ((m & 4) ? size : 0) + ((m & 2) ? half : 0)
                                                      + ((m & 1) ? quarter : 0));
            const int next = index + kImaIndexChanges[m];
            t.next[index][m] = static_cast<uint8_t>(next < 0 ? 0 : (next > 88 ? 88 : next));
        }
        for (int rise = -2; rise <= 16; ++rise) {
            const int below = rise >= 6 ? 1 : (rise >= 3 ? 2 : 3);
            const int low = index - below;
            t.low[index][rise + 2] = static_cast<uint8_t>(low < 0 ? 0 : (low > kTopLow ? kTopLow : low));
        }
    }
    return t;
}

}  // namespace

const PlainTables kPlainTables = MakePlainTables();

namespace {

bool DetectSse41()
{
#if defined(_MSC_VER) && defined(TUNEMILL_CPUID)
    int info[4] = {};
    __cpuid(info, 1);
    return (info[2] & (1 << 19)) != 0;
#elif defined(TUNEMILL_CPUID)
    unsigned int a = 0, b = 0, c = 0, d = 0;
    return __get_cpuid(1, &a, &b, &c, &d) && (c & (1u << 19)) != 0;
#else
    return false;
#endif
}

// The states after sample x for a band starting at newLow, from the band's
// states before it.
Lanes Advance(const ImaSearch::Band& band, int x, int newLow)
{
    // Every state's candidates, in the order of kTriedChanges.
    Lanes tried[kTriedCount];
    for (int j = 0; j < kLanes; ++j) {
        const int size = kImaStepSizes[band.low + j], predictor = band.predictor[j];
        const bool down = predictor > x;
        auto toward = [down](int v) { return down ? -v : v; };
        const int base = Clip16(predictor + toward(size >> 3));
        const int difference = Clip16(x - predictor);
        const int distance = difference < 0 ? Clip16(-difference) : difference;
        const bool c1 = distance > (size >> 2), c2 = distance > (size >> 1),
                   c3 = distance > (size >> 1) + (size >> 2);
        const int four = Clip16(base + toward(size));
        const int moved[kTriedCount] = {
            Clip16(Clip16(base + (c2 ? toward(size >> 1) : 0)) + ((c1 ^ c2 ^ c3) ? toward(size >> 2) : 0)),
            four, Clip16(four + toward(size >> 2)), Clip16(Clip16(four + toward(size >> 1)) + toward(size >> 2))};
        const int lowering = int(c1) + int(c2) + int(c3);
        for (int k = 0; k < kTriedCount; ++k) {
            const int e = ErrorOf(x, moved[k]);
            tried[k].cost[j] = band.cost[j] + e * e;
            tried[k].predictor[j] = static_cast<int16_t>(moved[k]);
            tried[k].history[j] = static_cast<int16_t>((down ? 8 : 0) | (j << 4) | (k == 0 ? lowering : kTriedMagnitudes[k]));
        }
    }
    // Each lane of the next band takes its cheapest candidate, in the
    // order tried (a later one only when strictly cheaper); a candidate
    // from outside the band counts as no state.
    const int move = newLow - band.low;
    Lanes result;
    for (int k = 0; k < kTriedCount; ++k) {
        const int from = move - kTriedChanges[k];  // lane t takes lane t + from
        if (k > 0 && (from >= kLanes || from <= -kLanes))
            continue;
        for (int t = 0; t < kLanes; ++t) {
            const int j = t + from;
            const bool inside = j >= 0 && j < kLanes;
            const int32_t cost = inside ? tried[k].cost[j] : kNoState;
            if (k == 0 || cost < result.cost[t]) {
                result.cost[t] = cost;
                result.predictor[t] = inside ? tried[k].predictor[j] : 0;
                result.history[t] = inside ? tried[k].history[j] : 0;
            }
        }
    }
    if (AtBottom(band.low, newLow) && tried[0].cost[0] < result.cost[0]) {
        result.cost[0] = tried[0].cost[0];
        result.predictor[0] = tried[0].predictor[0];
        result.history[0] = tried[0].history[0];
    }
    if (AtTop(newLow))
        TryClippedAtTop(band, x, result);
    return result;
}

int32_t Least(const Lanes& result)
{
    int32_t least = result.cost[0];
    for (int t = 1; t < kLanes; ++t)
        least = result.cost[t] < least ? result.cost[t] : least;
    return least;
}

void SearchPortable(ImaSearch::Band& band, ImaSearch::Plain& usual, ImaSearch::Step* steps, size_t count,
                    uint8_t* history, size_t planEnd)
{
    ImaSearch::Plain plain = usual;  // in registers (see SearchVectors)
    for (size_t i = 0; i < count; ++i) {
        PlanAhead(steps, i, planEnd, plain);
        const ImaSearch::Step& step = steps[i];
        int newLow = step.low;
        Lanes result;
        int32_t least = kNoState;
        if (Movable(band.low, newLow)) {
            result = Advance(band, step.sample, newLow);
            // The usual encoder's state, where it is cheaper.
            const int32_t offer = PlainOffer(band, step.plainError);
            if (offer < result.cost[step.plainLane]) {
                result.cost[step.plainLane] = offer;
                result.predictor[step.plainLane] = step.plainPredictor;
                result.history[step.plainLane] = step.plainEntry;
            }
            least = Least(result);
        }
        if (least >= kNoState) {
            newLow = FallbackLow(band);
            result = Advance(band, step.sample, newLow);
            least = Least(result);
        }
        band.plainCost += step.plainError;
        // Costs are counted from the least; lanes without a state keep kNoState.
        for (int t = 0; t < kLanes; ++t) {
            band.cost[t] = result.cost[t] >= kNoState ? kNoState : result.cost[t] - least;
            band.predictor[t] = result.predictor[t];
            history[8 * i + static_cast<size_t>(t)] = static_cast<uint8_t>(result.history[t]);
        }
        band.plainCost -= least;
        band.low = newLow;
    }
    usual = plain;
}

#ifdef TUNEMILL_SSE2

struct Sse2 {
    static Vectors Merge(int move, const Sample& s, const Vectors& lowering)
    {
        return MergeMoved<Sse2>(move, s, lowering);
    }
    static __m128i Blend(__m128i mask, __m128i a, __m128i b)
    {
        return _mm_or_si128(_mm_andnot_si128(mask, a), _mm_and_si128(mask, b));
    }
    // The lesser of a and b, given a > b.
    static __m128i Min32(__m128i a, __m128i b, __m128i greater) { return Blend(greater, a, b); }
    // Lane t of the eight 32-bit lanes (low, high) is lane t + S of (a, b),
    // 0 where that is outside; 0 < |S| < 8.
    template <int S>
    static void Move32(__m128i a, __m128i b, __m128i& low, __m128i& high)
    {
        if constexpr (S == 0) {
            low = a;
            high = b;
        } else if constexpr (S >= 4) {
            low = _mm_srli_si128(b, 4 * (S - 4));
            high = _mm_setzero_si128();
        } else if constexpr (S > 0) {
            low = _mm_or_si128(_mm_srli_si128(a, 4 * S), _mm_slli_si128(b, 4 * (4 - S)));
            high = _mm_srli_si128(b, 4 * S);
        } else if constexpr (S <= -4) {
            low = _mm_setzero_si128();
            high = _mm_slli_si128(a, 4 * (-S - 4));
        } else {
            low = _mm_slli_si128(a, -4 * S);
            high = _mm_or_si128(_mm_slli_si128(b, -4 * S), _mm_srli_si128(a, 4 * (4 + S)));
        }
    }
};

#endif

}  // namespace

ImaSearch::ImaSearch(Form form) : history_(kHistorySamples * kLanes), plainHistory_(kHistorySamples)
{
    static const bool sse41 = DetectSse41();
#ifdef TUNEMILL_SSE2
    if (form == Form::Fastest)
        form = sse41 ? Form::Sse41 : Form::Sse2;
#else
    if (form != Form::Portable)
        form = Form::Portable;
#endif
    if (form == Form::Sse41 && !sse41)
        form = Form::Sse2;
    form_ = form;
    for (int t = 0; t < kLanes; ++t)
        band_.cost[t] = t == 0 ? 0 : kNoState;
}

void ImaSearch::Encode(const int16_t* samples, size_t count, std::vector<uint8_t>& codes)
{
    // A piece at a time, so that what is held stays small.
    while (count > 0) {
        const size_t n = count < kPlannedSamples ? count : kPlannedSamples;
        plannedEnd_ += n;
        if (planned_.size() < plannedEnd_)
            planned_.resize(plannedEnd_);
        for (size_t i = 0; i < n; ++i)
            planned_[plannedEnd_ - n + i].sample = samples[i];
        Run(false, codes);
        samples += n;
        count -= n;
    }
}

void ImaSearch::Finish(std::vector<uint8_t>& codes)
{
    // The usual encoder on the rest, and the last samples' bands placed
    // without its index past the end (the last one stands for it).
    PlanTo(plannedEnd_);
    const size_t planned = plannedEnd_;
    for (size_t k = planned > kLookAhead ? planned - kLookAhead : 0; k < planned; ++k)
        Place(planned_[k], planned_[planned - 1].plainIndex);
    Run(true, codes);
    Decide(static_cast<size_t>(received_ - decided_), codes);
}

void ImaSearch::PlanTo(size_t end)
{
    for (; plainEnd_ < end; ++plainEnd_)
        PlanStep(planned_.data(), plainEnd_, plain_);
}

void ImaSearch::Run(bool ended, std::vector<uint8_t>& codes)
{
    for (;;) {
        // Before the search, the usual encoder kPlanLead samples ahead of it
        // (the search's loop keeps it there), its bands placed kLookAhead
        // behind it; at the end, all of it.
        const size_t available = plannedEnd_ - plannedFrom_;
        const size_t lead = available < kPlanLead ? available : kPlanLead;
        if (plainEnd_ < plannedFrom_ + lead)
            PlanTo(plannedFrom_ + lead);
        const size_t ready = ended ? available : (available > kLookAhead ? available - kLookAhead : 0);
        if (ready == 0)
            break;
        // As many samples as the history holds without wrapping or filling up.
        const size_t position = static_cast<size_t>(received_ % kHistorySamples);
        size_t n = kHistorySamples - position;
        const size_t room = kHistorySamples - static_cast<size_t>(received_ - decided_);
        if (n > room)
            n = room;
        if (n > ready)
            n = ready;
        Step* steps = &planned_[plannedFrom_];
        const size_t planEnd = ended ? 0 : available;
        uint8_t* history = &history_[position * kLanes];
        switch (form_) {
#ifdef TUNEMILL_SSE2
        case Form::Sse41: SearchImaSse41(band_, plain_, steps, n, history, planEnd); break;
        case Form::Sse2: SearchVectors<Sse2>(band_, plain_, steps, n, history, planEnd); break;
#endif
        default: SearchPortable(band_, plain_, steps, n, history, planEnd); break;
        }
        if (!ended) {
            const size_t planned = n + kPlanLead < available ? n + kPlanLead : available;
            if (plainEnd_ < plannedFrom_ + planned)
                plainEnd_ = plannedFrom_ + planned;
        }
        for (size_t i = 0; i < n; ++i)
            plainHistory_[position + i] = steps[i].plainEntry;
        received_ += n;
        plannedFrom_ += n;
        if (received_ - decided_ == kHistorySamples)
            Decide(kDecideSamples, codes);
    }
    // The samples left (those whose bands wait for the usual encoder's index
    // two samples on) go to the front.
    std::copy(planned_.begin() + static_cast<ptrdiff_t>(plannedFrom_),
              planned_.begin() + static_cast<ptrdiff_t>(plannedEnd_), planned_.begin());
    plannedEnd_ -= plannedFrom_;
    plainEnd_ -= plannedFrom_;
    plannedFrom_ = 0;
}

// Appends the codes of the next `count` undecided samples along the best
// state's sequence, then drops the states whose sequence differs from it
// there, so that whatever is decided later continues these codes: the usual
// encoder's path too, which is then no longer offered.
void ImaSearch::Decide(size_t count, std::vector<uint8_t>& codes)
{
    if (count == 0)
        return;
    int best = 0;
    for (int t = 1; t < kLanes; ++t)
        if (band_.cost[t] < band_.cost[best])
            best = t;
    const uint64_t held = received_ - decided_;
    path_.resize(static_cast<size_t>(held));
    int lane = best, decidedLane = best;
    for (uint64_t k = held; k-- > 0;) {
        if (k + 1 == count)
            decidedLane = lane;
        const uint8_t entry = EntryAt(decided_ + k, lane);
        path_[static_cast<size_t>(k)] = static_cast<uint8_t>(entry & 15);
        lane = entry >> 4;
    }
    codes.insert(codes.end(), path_.begin(), path_.begin() + static_cast<ptrdiff_t>(count));
    if (count < held) {
        // The lane each state passed through at the last decided sample
        // (kLanes: the usual encoder's). The walk back stops as soon as the
        // band's live states have one ancestor (the best's, so all of them
        // stay); the usual encoder's state is followed on alone.
        const uint64_t last = decided_ + count - 1;
        int at[kLanes + 1];
        for (int t = 0; t <= kLanes; ++t)
            at[t] = t;
        uint64_t s = received_ - 1;
        for (; s > last; --s) {
            for (int t = 0; t <= kLanes; ++t)
                at[t] = EntryAt(s, at[t]) >> 4;
            bool together = true;
            for (int t = 0; t < kLanes; ++t)
                together = together && (band_.cost[t] >= kNoState || at[t] == at[best]);
            if (together) {
                --s;
                break;
            }
        }
        int plain = at[kLanes];
        for (; s > last && band_.plainAlive; --s)
            plain = EntryAt(s, plain) >> 4;
        for (int t = 0; t < kLanes; ++t)
            if (at[t] != at[best])
                band_.cost[t] = kNoState;
        band_.plainAlive = band_.plainAlive && plain == decidedLane;
    }
    decided_ += count;
}

}  // namespace tunemill
