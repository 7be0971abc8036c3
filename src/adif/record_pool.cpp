#include "adif/record_pool.h"

#include <utility>

namespace q9xz {

std::unique_ptr<AdifRecord> RecordPool::take_record() {
    if (spare_)
        return std::move(spare_);
    return std::make_unique<AdifRecord>();
}

void RecordPool::recycle(std::unique_ptr<AdifRecord> record) {
    if (!record)
        return;
    record->clear();
    spare_ = std::move(record);
}

} // namespace q9xz
