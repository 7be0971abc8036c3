#pragma once

#include "adif/adif_record.h"

#include <memory>

namespace q9xz {

// Keeps a finished record, emptied, for the next one: a long log is then read with the memory
// of one record, allocated once.
class RecordPool {
  public:
    // An empty record.
    std::unique_ptr<AdifRecord> take_record() {
        if (spare_)
            return std::move(spare_);
        return std::make_unique<AdifRecord>();
    }
    // Takes a finished record back for reuse.
    void recycle(std::unique_ptr<AdifRecord> record) {
        if (!record)
            return;
        record->clear();
        spare_ = std::move(record);
    }

  private:
    std::unique_ptr<AdifRecord> spare_;
};

} // namespace q9xz
