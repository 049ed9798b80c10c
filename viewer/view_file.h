#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace quarvel {

// Where the viewer reads its file: bytes at an offset, as many as there are.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Bytes read (fewer at the end of the file, 0 past it or on an error).
    virtual std::size_t ReadAt(std::uint64_t offset, char* into, std::size_t count) = 0;
};

// The shown file, kept open while the viewer lives and read at offsets, so
// that nothing of it is held in memory. With documents, what the search
// reads of it: a document's text, a member of an archive.
class ViewFile : public ByteSource {
public:
    explicit ViewFile(const std::string& path, bool documents = false);
    ~ViewFile() override;
    ViewFile(const ViewFile&) = delete;
    ViewFile& operator=(const ViewFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    std::size_t ReadAt(std::uint64_t offset, char* into, std::size_t count) override;

private:
    int fd_ = -1;
};

}  // namespace quarvel
