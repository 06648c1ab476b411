#include "TestElf.h"

#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gelf.h>
#include <libelf.h>
#include <unistd.h>

bool writeTestElf(const QString& path, const QList<TestElfSection>& sections, const TestElfOptions& options)
{
    if (elf_version(EV_CURRENT) == EV_NONE)
        return false;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    Elf* elf = elf_begin(fd, ELF_C_WRITE, nullptr);
    bool ok = elf != nullptr;

    GElf_Ehdr header;
    if (ok)
        ok = gelf_newehdr(elf, options.is64Bit ? ELFCLASS64 : ELFCLASS32) && gelf_getehdr(elf, &header);
    if (ok) {
        header.e_ident[EI_DATA] = options.bigEndian ? ELFDATA2MSB : ELFDATA2LSB;
        header.e_type = ET_REL;
        header.e_machine = options.is64Bit ? EM_X86_64 : EM_386;
        header.e_version = EV_CURRENT;
        ok = gelf_update_ehdr(elf, &header);
    }

    // Section names: index 0 is the empty name.
    QByteArray names(1, '\0');
    QList<QByteArray> buffers; // libelf keeps pointers until elf_update
    buffers.reserve(sections.size() + 1);
    auto addSection = [&](const QByteArray& name, const QByteArray& bytes, unsigned type, unsigned long flags,
                          bool compressed) -> Elf_Scn* {
        Elf_Scn* section = elf_newscn(elf);
        if (!section)
            return nullptr;
        buffers.append(bytes);
        Elf_Data* data = elf_newdata(section);
        if (!data)
            return nullptr;
        data->d_buf = buffers.last().isEmpty() ? nullptr : buffers.last().data();
        data->d_size = static_cast<size_t>(buffers.last().size());
        data->d_type = ELF_T_BYTE;
        data->d_align = 1;
        data->d_version = EV_CURRENT;
        GElf_Shdr sectionHeader;
        if (!gelf_getshdr(section, &sectionHeader))
            return nullptr;
        sectionHeader.sh_name = static_cast<GElf_Word>(names.size());
        sectionHeader.sh_type = type;
        sectionHeader.sh_flags = flags;
        sectionHeader.sh_addralign = 1;
        names.append(name).append('\0');
        if (!gelf_update_shdr(section, &sectionHeader))
            return nullptr;
        if (compressed && elf_compress(section, ELFCOMPRESS_ZLIB, 0) < 0)
            return nullptr;
        return section;
    };

    for (const TestElfSection& section : sections) {
        if (!ok)
            break;
        ok = addSection(section.name, section.data, section.type, section.flags, section.compressed) != nullptr;
    }
    if (ok) {
        // The name table names itself, so its own name goes in before its bytes are taken.
        const QByteArray ownName = ".shstrtab";
        const GElf_Word ownOffset = static_cast<GElf_Word>(names.size());
        names.append(ownName).append('\0');
        Elf_Scn* table = elf_newscn(elf);
        ok = table != nullptr;
        if (ok) {
            buffers.append(names);
            Elf_Data* data = elf_newdata(table);
            GElf_Shdr sectionHeader;
            ok = data && gelf_getshdr(table, &sectionHeader);
            if (ok) {
                data->d_buf = buffers.last().data();
                data->d_size = static_cast<size_t>(buffers.last().size());
                data->d_type = ELF_T_BYTE;
                data->d_align = 1;
                data->d_version = EV_CURRENT;
                sectionHeader.sh_name = ownOffset;
                sectionHeader.sh_type = SHT_STRTAB;
                sectionHeader.sh_addralign = 1;
                ok = gelf_update_shdr(table, &sectionHeader) && gelf_getehdr(elf, &header);
                if (ok) {
                    header.e_shstrndx = static_cast<GElf_Half>(elf_ndxscn(table));
                    ok = gelf_update_ehdr(elf, &header);
                }
            }
        }
    }
    if (ok)
        ok = elf_update(elf, ELF_C_WRITE) >= 0;
    if (elf)
        elf_end(elf);
    ::close(fd);
    return ok;
}

QByteArray makeTestElfImage(const QList<TestElfSection>& sections, const TestElfOptions& options)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("image.o"));
    if (!writeTestElf(path, sections, options))
        return {};
    return readTestFile(path);
}

bool writeTestFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readTestFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}
