#include "adif/field_pool.h"

#include <utility>

namespace q9xz {

namespace {

// A text longer than this is not kept for reuse, so one huge value does not stay in memory
// for the rest of the log.
constexpr std::size_t KEEP_CAPACITY = 4096;

void release_if_large(std::string& text) {
    if (text.capacity() > KEEP_CAPACITY)
        std::string().swap(text);
}

} // namespace

std::unique_ptr<AdifField> FieldPool::take_field() {
    if (fields_.empty())
        return std::make_unique<AdifField>();
    std::unique_ptr<AdifField> field = std::move(fields_.back());
    fields_.pop_back();
    return field;
}

std::unique_ptr<AdifRecord> FieldPool::take_record() {
    if (record_)
        return std::move(record_);
    return std::make_unique<AdifRecord>();
}

void FieldPool::give_back(std::unique_ptr<AdifField> field) {
    // Taken apart node by node: no recursion, whatever the shape of the tree.
    const std::size_t first = fields_.size();
    fields_.push_back(std::move(field));
    for (std::size_t i = first; i < fields_.size(); ++i) {
        AdifField& node = *fields_[i];
        if (node.left)
            fields_.push_back(std::move(node.left));
        if (node.right)
            fields_.push_back(std::move(node.right));
        node.level = 0;
        node.length = 0;
        release_if_large(node.name);
        release_if_large(node.value);
    }
}

void FieldPool::recycle(std::unique_ptr<AdifRecord> record) {
    if (!record)
        return;
    if (record->fields)
        give_back(std::move(record->fields));
    for (std::unique_ptr<AdifField>& repeated : record->repeated)
        give_back(std::move(repeated));
    record->repeated.clear();
    record->call = record->dxcc = record->qso_date = nullptr;
    record->time_on = record->band = record->mode = nullptr;
    record_ = std::move(record);
}

} // namespace q9xz
