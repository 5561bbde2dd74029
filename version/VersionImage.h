#pragma once
#include <QByteArray>
#include <QtGlobal>

#include <optional>

// Finds the version block inside a program file: the version section of an ELF file, or the
// RT_VERSION resource of a Windows PE file. Every offset and length read from the file is
// checked against the file's size before it is used.
namespace verinfo {

// Random access to the bytes of a program file.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual quint64 size() const = 0;
    // Exactly `length` bytes from `offset`, or none when they are not all there.
    virtual std::optional<QByteArray> read(quint64 offset, quint64 length) const = 0;
};

class BufferSource final : public ByteSource {
public:
    explicit BufferSource(QByteArray bytes) : bytes_(std::move(bytes)) {}
    quint64 size() const override { return quint64(bytes_.size()); }
    std::optional<QByteArray> read(quint64 offset, quint64 length) const override;

private:
    QByteArray bytes_;
};

struct LocatedBlock {
    quint32 error = 0; // an ErrorCode; 0 when `block` holds the block
    QByteArray block;  // exactly the root's length
};

LocatedBlock locateVersionBlock(const ByteSource& image);

} // namespace verinfo
