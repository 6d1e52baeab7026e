#include "src/RawRecordConversion.h"

#include <omp.h>

#include <algorithm>

template <class T>
void ConvertRecords(const T* in, std::size_t size, RecordParticle<T>* out, PositionBox* box)
{
    const auto count = static_cast<std::int64_t>(size);
    // Waking a team costs more than converting a few thousand records. One core is left
    // to the thread that reads the next piece meanwhile.
    const bool parallel = count >= 65536;
    const int threads = std::max(1, omp_get_max_threads() - 1);
    if (!box) {
#pragma omp parallel for schedule(static) if (parallel) num_threads(threads)
        for (std::int64_t i = 0; i < count; ++i) out[i] = ConvertRecord(in[i]);
        return;
    }
#pragma omp parallel if (parallel) num_threads(threads)
    {
        PositionBox local;
#pragma omp for schedule(static)
        for (std::int64_t i = 0; i < count; ++i) {
            out[i] = ConvertRecord(in[i]);
            local.Grow(out[i].x, out[i].y, out[i].z);
        }
#pragma omp critical(QzConvertChunkBox)
        box->Grow(local);
    }
}

#define QZ_INSTANTIATE_CONVERT_CHUNK(T) \
    template void ConvertRecords<T>(const T*, std::size_t, RecordParticle<T>*, PositionBox*);
QZ_FOR_EACH_RECORD_TYPE(QZ_INSTANTIATE_CONVERT_CHUNK)
