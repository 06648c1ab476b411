#include "toolkit/ElfSection.h"

#include <QFile>

#include <fcntl.h>
#include <gelf.h>
#include <libelf.h>
#include <unistd.h>

#include <cstring>
#include <memory>

namespace {

bool libraryReady()
{
    static const bool ready = elf_version(EV_CURRENT) != EV_NONE;
    return ready;
}

struct ElfCloser
{
    void operator()(Elf* elf) const { elf_end(elf); }
};
using ElfHandle = std::unique_ptr<Elf, ElfCloser>;

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

std::optional<QByteArray> findSection(Elf* elf, const QByteArray& sectionName)
{
    if (!elf || elf_kind(elf) != ELF_K_ELF)
        return std::nullopt;
    size_t namesIndex = 0;
    if (elf_getshdrstrndx(elf, &namesIndex) != 0)
        return std::nullopt;

    for (Elf_Scn* section = elf_nextscn(elf, nullptr); section; section = elf_nextscn(elf, section)) {
        GElf_Shdr header;
        if (!gelf_getshdr(section, &header))
            return std::nullopt;
        const char* name = elf_strptr(elf, namesIndex, header.sh_name);
        if (!name || sectionName != name)
            continue;
        // A section that only reserves memory has no bytes in the file.
        if (header.sh_type == SHT_NOBITS)
            return std::nullopt;
        if ((header.sh_flags & SHF_COMPRESSED) && elf_compress(section, 0, 0) < 0)
            return std::nullopt;
        // Raw bytes: the contents are text, no byte-order conversion wanted.
        Elf_Data* data = (header.sh_flags & SHF_COMPRESSED) ? elf_getdata(section, nullptr)
                                                             : elf_rawdata(section, nullptr);
        if (!data)
            return std::nullopt;
        if (!data->d_buf || data->d_size == 0)
            return QByteArray();
        return QByteArray(static_cast<const char*>(data->d_buf), static_cast<qsizetype>(data->d_size));
    }
    return std::nullopt;
}

} // namespace

std::optional<QByteArray> ElfSection::read(const QString& filePath, const QByteArray& sectionName)
{
    if (!libraryReady())
        return std::nullopt;
    const FileDescriptor fd(::open(QFile::encodeName(filePath).constData(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return std::nullopt;
    // Plain reads rather than a mapping: a file cut short under a mapping
    // would end the process with SIGBUS instead of failing a read.
    const ElfHandle elf(elf_begin(fd.get(), ELF_C_READ, nullptr));
    return findSection(elf.get(), sectionName);
}

std::optional<QByteArray> ElfSection::fromImage(const QByteArray& image, const QByteArray& sectionName)
{
    if (!libraryReady() || image.isEmpty())
        return std::nullopt;
    // libelf wants a writable image; give it a copy of its own.
    QByteArray copy(image.constData(), image.size());
    const ElfHandle elf(elf_memory(copy.data(), static_cast<size_t>(copy.size())));
    return findSection(elf.get(), sectionName);
}
