// The texts of the system's error codes: the Japanese texts Windows gives for
// the common failures under code page 932, strerror otherwise.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/posix/file_internals.h"

namespace platform {

using internal::DirectoryOf;

std::string detail::SystemErrorText(int error) {
  const char* japanese = nullptr;
  if (AnsiCodePage().Number() == 932) {
    switch (error) {
      case ENOENT: japanese = "指定されたファイルが見つかりません。"; break;
      case ENOTDIR: japanese = "指定されたパスが見つかりません。"; break;
      case EACCES:
      case EPERM:
      case EISDIR: japanese = "アクセスが拒否されました。"; break;
      case ENOSPC:
      case EDQUOT:
      case EFBIG: japanese = "ディスクに十分な空き領域がありません。"; break;
      case EROFS: japanese = "メディアは書き込み禁止になっています。"; break;
      case EBUSY:
      case ETXTBSY:
      case EAGAIN: japanese = "プロセスはファイルにアクセスできません。別のプロセスが使用中です。"; break;
      case EMFILE:
      case ENFILE: japanese = "開いているファイルが多すぎます。"; break;
      case ENAMETOOLONG:
      case EINVAL:
      case EILSEQ: japanese = "ファイル名、ディレクトリ名、またはボリューム ラベルの構文が間違っています。"; break;
      case EIO: japanese = "デバイスが認識できないコマンドを受け取りました。"; break;
      case EEXIST: japanese = "ファイルが存在します。"; break;
      case ENOMEM: japanese = "このコマンドを実行するのに十分な記憶域がありません。"; break;
      case ELOOP: japanese = "ファイル名を解決できません。"; break;
      case ENXIO:
      case ENODEV: japanese = "指定されたデバイス名は無効です。"; break;
      default: break;
    }
  }
  return japanese != nullptr ? Cp932FromUtf8(japanese) : std::string(std::strerror(error));
}

std::string PathErrorText(const std::string& path, int error) {
  if (error == ENOENT) {
    if (path.empty()) return ErrorText(ENOTDIR);
    std::string name = path;
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    struct stat dir;
    if (::stat(DirectoryOf(name).c_str(), &dir) != 0 || !S_ISDIR(dir.st_mode)) {
      return ErrorText(ENOTDIR);
    }
  }
  return ErrorText(error);
}

}  // namespace platform
