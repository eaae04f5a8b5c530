#include "platform/defaultapp.h"

#include <gio/gio.h>

#include <QMimeDatabase>
#include <QString>
#include <memory>

#include "platform/drives.h"

namespace zorvik::platform {

namespace {

template <typename T>
struct GUnref {
    void operator()(T* object) const { g_object_unref(object); }
};
template <typename T>
using GPtr = std::unique_ptr<T, GUnref<T>>;

bool programExists(GAppInfo* application) {
    const char* executable = g_app_info_get_executable(application);
    if (!executable || !*executable) return false;
    std::unique_ptr<gchar, decltype(&g_free)> found(g_find_program_in_path(executable), g_free);
    return found != nullptr;
}

}  // namespace

bool openWithDefaultApplication(const DriveTable& drives, std::string_view path) {
    auto native = drives.toNative(path);
    if (!native) return false;
    // The type follows the name, as the registry's file types did; the
    // content of a file on a slow disk is not read for it.
    const QString type =
        QMimeDatabase().mimeTypeForFile(QString::fromStdString(*native), QMimeDatabase::MatchExtension).name();
    GPtr<GAppInfo> application(g_app_info_get_default_for_type(type.toUtf8().constData(), FALSE));
    if (!application || !programExists(application.get())) return false;

    GPtr<GFile> file(g_file_new_for_path(native->c_str()));
    GList files{file.get(), nullptr, nullptr};
    GError* error = nullptr;
    // GIO puts the file into the command line as one argument and spawns the
    // program directly, detached from this process.
    const bool started = g_app_info_launch(application.get(), &files, nullptr, &error);
    if (error) g_error_free(error);
    return started;
}

}  // namespace zorvik::platform
