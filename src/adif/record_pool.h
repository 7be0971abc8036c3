#pragma once

#include "adif/adif_record.h"

#include <memory>

namespace q9xz {

// Keeps a finished record, emptied, for the next one: a long log is then read with the memory
// of one record, allocated once.
class RecordPool {
  public:
    // An empty record.
    std::unique_ptr<AdifRecord> take_record();
    // Takes a finished record back for reuse.
    void recycle(std::unique_ptr<AdifRecord> record);

  private:
    std::unique_ptr<AdifRecord> spare_;
};

} // namespace q9xz
