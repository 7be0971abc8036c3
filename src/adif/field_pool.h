#pragma once

#include "adif/adif_record.h"

#include <memory>
#include <vector>

namespace q9xz {

// The field nodes and the record of finished records, kept for the records that follow: a long
// log is then read without an allocation per field, since a node comes back with the storage
// of its texts.
class FieldPool {
  public:
    // A node with level 0 and no children; its name and value hold old text.
    std::unique_ptr<AdifField> take_field();
    // An empty record.
    std::unique_ptr<AdifRecord> take_record();
    void give_back(std::unique_ptr<AdifField> field);
    // Takes a finished record apart for reuse.
    void recycle(std::unique_ptr<AdifRecord> record);

  private:
    std::vector<std::unique_ptr<AdifField>> fields_;
    std::unique_ptr<AdifRecord> record_;
};

} // namespace q9xz
