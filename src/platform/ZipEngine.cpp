#include "platform/ZipEngine.h"

#include "platform/PrivateFiles.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QScopeGuard>

#include <cerrno>
#include <memory>
#include <unistd.h>
#include <zip.h>

namespace {

constexpr qint64 kChunk = 64 * 1024;
// A regular file that only its owner may read and write, as Unix external attributes.
constexpr zip_uint32_t kPrivateFileAttributes = 0100600u << 16;

// The storage takes no more bytes for the file: the disk or the quota is full, or the file
// would pass the largest size the file system or the process's limit allows.
bool isDiskFull(int systemError)
{
    return systemError == ENOSPC || systemError == EDQUOT || systemError == EFBIG;
}

// The code for a failed libzip call: kDiskFullCode when the system's error says so.
int codeOf(zip_error_t* error)
{
    if (zip_error_system_type(error) == ZIP_ET_SYS && isDiskFull(zip_error_code_system(error)))
        return TZipEngine::kDiskFullCode;
    return zip_error_code_zip(error);
}

// Writes all of data to the file descriptor; 0, or the system's error number.
int writeAll(int descriptor, const char* data, qint64 length)
{
    while (length > 0) {
        const ssize_t written = ::write(descriptor, data, size_t(length));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        data += written;
        length -= written;
    }
    return 0;
}

struct ZipError {
    ZipError() { zip_error_init(&error); }
    explicit ZipError(int code) { zip_error_init_with_code(&error, code); }
    ~ZipError() { zip_error_fini(&error); }
    ZipError(const ZipError&) = delete;
    ZipError& operator=(const ZipError&) = delete;
    QString text() { return QString::fromUtf8(zip_error_strerror(&error)); }
    zip_error_t error;
};

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ReadArchive = std::unique_ptr<zip_t, ArchiveCloser>;

} // namespace

// A libzip source over one file that reports what is read and stops on the cancel flag.
struct ZipFileSource {
    TZipEngine& engine;
    QString path;
    QFile file;
    zip_error_t error;
    std::unique_ptr<ZipByteCounter> counter;

    ZipFileSource(TZipEngine& owner, const QString& filePath) : engine(owner), path(filePath), file(filePath)
    {
        zip_error_init(&error);
    }
    ~ZipFileSource() { zip_error_fini(&error); }

    zip_int64_t fail(int code, int systemError = 0)
    {
        zip_error_set(&error, code, systemError);
        return -1;
    }

    zip_int64_t command(void* data, zip_uint64_t length, zip_source_cmd_t cmd)
    {
        switch (cmd) {
        case ZIP_SOURCE_OPEN: {
            if (!file.open(QIODevice::ReadOnly))
                return fail(ZIP_ER_OPEN, ENOENT);
            engine.progress(ZipProgressKind::NewFile, path, file.size());
            counter = std::make_unique<ZipByteCounter>(engine.m_progress, path);
            return 0;
        }
        case ZIP_SOURCE_READ: {
            if (engine.m_cancel)
                return fail(ZIP_ER_CANCELLED);
            const qint64 read = file.read(static_cast<char*>(data), qint64(qMin<zip_uint64_t>(length, kChunk)));
            if (read < 0)
                return fail(ZIP_ER_READ, EIO);
            counter->add(read);
            return read;
        }
        case ZIP_SOURCE_CLOSE:
            counter.reset();
            file.close();
            return 0;
        case ZIP_SOURCE_STAT: {
            auto* stat = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &error);
            if (!stat)
                return -1;
            const QFileInfo info(path);
            if (!info.exists())
                return fail(ZIP_ER_NOENT);
            zip_stat_init(stat);
            stat->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME;
            stat->size = zip_uint64_t(info.size());
            stat->mtime = time_t(info.lastModified().toSecsSinceEpoch());
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&error, data, length);
        case ZIP_SOURCE_FREE:
            delete this;
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return ZIP_SOURCE_SUPPORTS_READABLE;
        default:
            return fail(ZIP_ER_OPNOTSUPP);
        }
    }

    static zip_int64_t callback(void* self, void* data, zip_uint64_t length, zip_source_cmd_t cmd)
    {
        return static_cast<ZipFileSource*>(self)->command(data, length, cmd);
    }
};

void TZipEngine::report(int code, const QString& message) const
{
    if (m_message)
        m_message(code, message);
}

void TZipEngine::progress(ZipProgressKind kind, const QString& name, qint64 size) const
{
    if (m_progress)
        m_progress(kind, name, size);
}

bool TZipEngine::add(const QString& archivePath, const QStringList& files)
{
    m_cancel = false;
    // libzip gives its temporary file, and so the archive, the rights of the file it replaces.
    QFile placeholder(archivePath);
    const bool placed = !placeholder.exists() &&
                        placeholder.open(QIODevice::WriteOnly | QIODevice::NewOnly, PrivateFiles::kFilePermissions);
    placeholder.close();
    auto removePlaceholder = qScopeGuard([&placeholder, placed] {
        if (placed)
            placeholder.remove();
    });
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(archivePath).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive) {
        report(code, archivePath + QStringLiteral(": ") + ZipError(code).text());
        return false;
    }
    qint64 total = 0;
    for (const QString& path : files) {
        auto* source = new ZipFileSource(*this, path);
        ZipError error;
        zip_source_t* zipSource = zip_source_function_create(&ZipFileSource::callback, source, &error.error);
        if (!zipSource) {
            delete source;
            report(zip_error_code_zip(&error.error), path + QStringLiteral(": ") + error.text());
            zip_discard(archive);
            return false;
        }
        const QByteArray name = QFileInfo(path).fileName().toUtf8();
        const zip_int64_t index = zip_file_add(archive, name.constData(), zipSource, ZIP_FL_ENC_UTF_8);
        if (index < 0 || zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_DEFLATE, 9) < 0 ||
            zip_file_set_external_attributes(archive, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX, kPrivateFileAttributes) <
                0) {
            if (index < 0)
                zip_source_free(zipSource);
            report(zip_error_code_zip(zip_get_error(archive)),
                   path + QStringLiteral(": ") + QString::fromUtf8(zip_strerror(archive)));
            zip_discard(archive);
            return false;
        }
        total += QFileInfo(path).size();
    }
    progress(ZipProgressKind::FileCount, {}, files.size());
    progress(ZipProgressKind::TotalSize, {}, total);
    // libzip writes into a temporary file beside the archive and renames it only when complete.
    if (zip_close(archive) < 0) {
        if (m_cancel)
            report(kCancelledCode, QStringLiteral("User cancelled operation"));
        else
            report(codeOf(zip_get_error(archive)),
                   archivePath + QStringLiteral(": ") + QString::fromUtf8(zip_strerror(archive)));
        zip_discard(archive);
        return false;
    }
    // An archive replaced may have had wider rights.
    if (!placeholder.setPermissions(PrivateFiles::kFilePermissions)) {
        report(ZIP_ER_WRITE, archivePath + QStringLiteral(": ") + placeholder.errorString());
        placeholder.remove();
        return false;
    }
    removePlaceholder.dismiss();
    progress(ZipProgressKind::EndOfBatch, {}, 0);
    return true;
}

bool TZipEngine::extractOne(void* handle, qint64 index, const QString& target, const QString& name)
{
    auto* archive = static_cast<zip_t*>(handle);
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive, zip_uint64_t(index), 0, &stat) < 0 || !(stat.valid & ZIP_STAT_SIZE)) {
        report(zip_error_code_zip(zip_get_error(archive)),
               name + QStringLiteral(": ") + QString::fromUtf8(zip_strerror(archive)));
        return false;
    }
    // libzip reads on to the end of the compressed data, whatever the headers declare.
    const qint64 declared = qint64(stat.size);
    progress(ZipProgressKind::NewFile, name, declared);

    zip_file_t* member = zip_fopen_index(archive, zip_uint64_t(index), 0);
    if (!member) {
        report(zip_error_code_zip(zip_get_error(archive)),
               name + QStringLiteral(": ") + QString::fromUtf8(zip_strerror(archive)));
        return false;
    }
    auto closeMember = qScopeGuard([member] { zip_fclose(member); });
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly) || !out.setPermissions(PrivateFiles::kFilePermissions)) {
        report(ZIP_ER_OPEN, target + QStringLiteral(": ") + out.errorString());
        return false;
    }
    ZipByteCounter counter(m_progress, name);
    QByteArray buffer(kChunk, Qt::Uninitialized);
    qint64 written = 0;
    for (;;) {
        if (m_cancel) {
            report(kCancelledCode, QStringLiteral("User cancelled operation"));
            return false;
        }
        // One byte past the declared size shows a member that runs on; libzip checks the CRC
        // when the member's end is read.
        const qint64 wanted = qMin(qint64(buffer.size()), declared - written + 1);
        const zip_int64_t read = zip_fread(member, buffer.data(), zip_uint64_t(wanted));
        if (read < 0) {
            report(zip_error_code_zip(zip_file_get_error(member)),
                   name + QStringLiteral(": ") + QString::fromUtf8(zip_file_strerror(member)));
            return false;
        }
        if (read == 0)
            break;
        if (written + read > declared) {
            report(kDamagedCode,
                   name + QStringLiteral(": inflates beyond its declared size of %1 bytes").arg(declared));
            return false;
        }
        // Written past QSaveFile's buffer, so the system's error number tells a full disk.
        if (const int error = writeAll(out.handle(), buffer.constData(), read)) {
            report(isDiskFull(error) ? kDiskFullCode : ZIP_ER_WRITE,
                   target + QStringLiteral(": ") + qt_error_string(error));
            return false;
        }
        written += read;
        counter.add(read);
    }
    counter.flush();
    if (written != declared) {
        report(kDamagedCode, name + QStringLiteral(": holds %1 bytes, declares %2 bytes").arg(written).arg(declared));
        return false;
    }
    if (!out.commit()) {
        report(ZIP_ER_WRITE, target + QStringLiteral(": ") + out.errorString());
        return false;
    }
    return true;
}

namespace {

ReadArchive openForReading(const QString& archivePath, const std::function<void(int, const QString&)>& report)
{
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(archivePath).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    // With ZIP_CHECKCONS libzip refuses a name that is there twice.
    if (!archive && code == ZIP_ER_EXISTS)
        report(TZipEngine::kDuplicateNameCode, archivePath);
    else if (!archive)
        report(code, archivePath + QStringLiteral(": ") + ZipError(code).text());
    return ReadArchive(archive);
}

// The member indexes of the names, in their order; nothing after reporting a missing one. The
// exact name wins over one that differs only in letter case.
std::optional<QList<zip_int64_t>> locate(zip_t* archive, const QStringList& names,
                                         const std::function<void(int, const QString&)>& report)
{
    QList<zip_int64_t> indexes;
    for (const QString& name : names) {
        const QByteArray utf8 = name.toUtf8();
        zip_int64_t index = zip_name_locate(archive, utf8.constData(), 0);
        if (index < 0)
            index = zip_name_locate(archive, utf8.constData(), ZIP_FL_NOCASE);
        if (index < 0) {
            report(TZipEngine::kMemberMissingCode, name);
            return std::nullopt;
        }
        indexes.append(index);
    }
    return indexes;
}

qint64 memberSize(zip_t* archive, zip_int64_t index)
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive, zip_uint64_t(index), 0, &stat) < 0 || !(stat.valid & ZIP_STAT_SIZE))
        return 0;
    return qint64(stat.size);
}

} // namespace

bool TZipEngine::isDamage(int code)
{
    return code == ZIP_ER_NOZIP || code == ZIP_ER_CRC || code == ZIP_ER_ZLIB || code == ZIP_ER_INCONS;
}

bool TZipEngine::extract(const QString& archivePath, const QString& folder, const QStringList& names)
{
    m_cancel = false;
    const auto reporter = [this](int code, const QString& message) { report(code, message); };
    ReadArchive archive = openForReading(archivePath, reporter);
    if (!archive)
        return false;
    const std::optional<QList<zip_int64_t>> indexes = locate(archive.get(), names, reporter);
    if (!indexes)
        return false;
    qint64 total = 0;
    for (const zip_int64_t index : *indexes)
        total += memberSize(archive.get(), index);
    progress(ZipProgressKind::FileCount, {}, names.size());
    progress(ZipProgressKind::TotalSize, {}, total);
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (!extractOne(archive.get(), indexes->at(i), folder + u'/' + names[i], names[i]))
            return false;
    }
    progress(ZipProgressKind::EndOfBatch, {}, 0);
    return true;
}

std::optional<qint64> TZipEngine::extractedSize(const QString& archivePath, const QStringList& names)
{
    const auto reporter = [this](int code, const QString& message) { report(code, message); };
    ReadArchive archive = openForReading(archivePath, reporter);
    if (!archive)
        return std::nullopt;
    const std::optional<QList<zip_int64_t>> indexes = locate(archive.get(), names, reporter);
    if (!indexes)
        return std::nullopt;
    qint64 total = 0;
    for (const zip_int64_t index : *indexes)
        total += memberSize(archive.get(), index);
    return total;
}

std::optional<QByteArray> TZipEngine::memberHead(const QString& archivePath, const QString& name, qint64 bytes)
{
    const auto reporter = [this](int code, const QString& message) { report(code, message); };
    ReadArchive archive = openForReading(archivePath, reporter);
    if (!archive)
        return std::nullopt;
    const std::optional<QList<zip_int64_t>> indexes = locate(archive.get(), {name}, reporter);
    if (!indexes)
        return std::nullopt;
    zip_file_t* member = zip_fopen_index(archive.get(), zip_uint64_t(indexes->first()), 0);
    if (!member) {
        report(zip_error_code_zip(zip_get_error(archive.get())),
               name + QStringLiteral(": ") + QString::fromUtf8(zip_strerror(archive.get())));
        return std::nullopt;
    }
    auto closeMember = qScopeGuard([member] { zip_fclose(member); });
    QByteArray head(bytes, Qt::Uninitialized);
    qint64 filled = 0;
    while (filled < bytes) {
        const zip_int64_t read = zip_fread(member, head.data() + filled, zip_uint64_t(bytes - filled));
        if (read < 0) {
            report(zip_error_code_zip(zip_file_get_error(member)),
                   name + QStringLiteral(": ") + QString::fromUtf8(zip_file_strerror(member)));
            return std::nullopt;
        }
        if (read == 0)
            break;
        filled += read;
    }
    head.truncate(filled);
    return head;
}
