#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <zip.h>

// Opens a zip package held in memory and reads its entries, as a word processor would.
class ZipReader {
public:
    explicit ZipReader(const QByteArray& bytes) : bytes_(bytes) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source =
            zip_source_buffer_create(bytes_.constData(), zip_uint64_t(bytes_.size()), 0, &error);
        if (source) {
            archive_ = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
            if (!archive_)
                zip_source_free(source);
        }
        zip_error_fini(&error);
    }
    ~ZipReader() {
        if (archive_)
            zip_discard(archive_);
    }
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    bool isOpen() const { return archive_ != nullptr; }

    QStringList names() const {
        QStringList result;
        for (zip_int64_t i = 0; i < zip_get_num_entries(archive_, 0); ++i)
            result << QString::fromUtf8(zip_get_name(archive_, zip_uint64_t(i), 0));
        return result;
    }

    // The compression method of an entry (ZIP_CM_STORE, ZIP_CM_DEFLATE), -1 when absent.
    int method(const QString& name) const {
        zip_stat_t st;
        if (zip_stat(archive_, name.toUtf8().constData(), 0, &st) < 0)
            return -1;
        return st.comp_method;
    }

    QByteArray read(const QString& name) const {
        zip_stat_t st;
        if (zip_stat(archive_, name.toUtf8().constData(), 0, &st) < 0)
            return {};
        zip_file_t* file = zip_fopen(archive_, name.toUtf8().constData(), 0);
        if (!file)
            return {};
        QByteArray data(qsizetype(st.size), '\0');
        const zip_int64_t got = zip_fread(file, data.data(), st.size);
        zip_fclose(file);
        return got == zip_int64_t(st.size) ? data : QByteArray();
    }

private:
    QByteArray bytes_;
    zip_t* archive_ = nullptr;
};
