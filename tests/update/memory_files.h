#pragma once

#include "app/update/update_files.h"

#include <map>
#include <string>
#include <vector>

namespace q9xz::test {

// Files kept in memory, with a log of what was done to them.
class MemoryFiles : public UpdateFiles {
  public:
    std::map<std::string, std::string> files;
    std::vector<std::string> log;
    bool creation_fails = false;
    bool writes_fail = false;
    bool flush_fails = false;
    std::string rename_fails_from; // a rename of this name fails

    bool rename_replacing(const std::string& from, const std::string& to) override {
        log.push_back("rename " + from + " " + to);
        const auto found = files.find(from);
        if (found == files.end() || from == rename_fails_from)
            return false;
        std::string content = std::move(found->second);
        files.erase(found);
        files[to] = std::move(content);
        return true;
    }

    std::unique_ptr<BinaryFile> create_binary(const std::string& name) override {
        log.push_back("create " + name);
        if (creation_fails)
            return nullptr;
        files[name].clear();
        return std::make_unique<File>(*this, name);
    }

    bool remove(const std::string& name) override {
        log.push_back("remove " + name);
        return files.erase(name) == 1;
    }

  private:
    class File : public BinaryFile {
      public:
        File(MemoryFiles& owner, std::string name) : owner_(owner), name_(std::move(name)) {}
        bool write(const char* data, std::size_t size) override {
            if (owner_.writes_fail)
                return false;
            owner_.files[name_].append(data, size);
            return true;
        }
        bool flush_to_disk() override {
            owner_.log.push_back("flush " + name_);
            return !owner_.flush_fails;
        }
        bool close() override {
            owner_.log.push_back("close " + name_);
            return true;
        }

      private:
        MemoryFiles& owner_;
        std::string name_;
    };
};

} // namespace q9xz::test
