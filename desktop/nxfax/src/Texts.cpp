// The program's own texts; see Texts.h.
#include "Texts.h"

#include <map>
#include <string>

#include "nx/platform/bundle.h"

namespace nxfax {

bool JapaneseSession() {
  const auto languages = nx::platform::EnvironmentLanguages();
  return !languages.empty() && languages.front().rfind("ja", 0) == 0;
}

QString Text(const char* english) {
  static const std::map<std::string, const char*> kJapanese = {
      {"Send Fax", "ファクス送信"},
      {"Fax:", "ファクス:"},
      {"Document:", "文書:"},
      {"&Send", "送信(&S)"},
      {"&Close", "閉じる(&C)"},
      {"Choose a document to fax", "ファクス送信する文書を選択"},
      {"Documents (*.pdf *.ps *.eps *.png *.jpg *.jpeg *.tif *.tiff)",
       "文書 (*.pdf *.ps *.eps *.png *.jpg *.jpeg *.tif *.tiff)"},
      {"%n page(s)", "%n ページ"},
      {"No preview: %1 is not installed.", "プレビューなし: %1 がインストールされていません。"},
      {"No preview for this document.", "この文書のプレビューはありません。"},
      {"No fax queue", "ファクスキューがありません"},
      {"The print system has no queue for the fax driver. Add one with the fax PPD first.",
       "印刷システムにファクスドライバのキューがありません。先にファクス用 PPD でキューを追加してください。"},
      {"Cannot open the document", "文書を開けません"},
      {"%1 cannot be read, or is not a PDF, PostScript or image file.",
       "%1 を読み込めないか、PDF、PostScript、画像のいずれでもありません。"},
      {"Cannot open the fax queue", "ファクスキューを開けません"},
      {"The fax was not sent", "ファクスは送信されませんでした"},
      {"The fax settings are too large for the print system: %1",
       "ファクスの設定が大きすぎて印刷システムに渡せません: %1"},
      {"Cancelled: nothing was sent.", "キャンセルしました。何も送信していません。"},
      {"Sending…", "送信中…"},
      {"Job %1: waiting.", "ジョブ %1: 待機中。"},
      {"Job %1: sending.", "ジョブ %1: 送信中。"},
      {"Job %1: held. %2", "ジョブ %1: 保留。%2"},
      {"Job %1: stopped. %2", "ジョブ %1: 停止。%2"},
      {"Job %1: cancelled. %2", "ジョブ %1: キャンセル。%2"},
      {"Job %1: aborted. %2", "ジョブ %1: 中止。%2"},
      {"Job %1: completed.", "ジョブ %1: 完了しました。"},
      {"Job %1: the print system does not answer (%2).", "ジョブ %1: 印刷システムが応答しません (%2)。"},
      {"Preview", "プレビュー"},
      {"Preview not available.", "プレビューは表示できません。"},
      {"&Cancel", "キャンセル(&C)"},
      {"Cancel the fax job", "ファクスジョブをキャンセルします"},
      {"The fax job could not be cancelled", "ファクスジョブをキャンセルできませんでした"},
      {"Cannot open the fax job", "ファクスジョブを開けません"},
      {"Ready.", "準備完了。"},
  };
  if (JapaneseSession()) {
    const auto it = kJapanese.find(english);
    if (it != kJapanese.end()) return QString::fromUtf8(it->second);
  }
  return QString::fromUtf8(english);
}

}  // namespace nxfax
