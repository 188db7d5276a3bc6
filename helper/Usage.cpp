#include "Usage.h"

#include <QStringList>

namespace {

// Each text in zh_CN (the key), zh_TW, ja_JP, ko_KR and en_US. The switches,
// their values and the commands of the examples stay as they are typed.
const TextTable::Row usageLine = {{u"用法：%1", u"用法：%1", u"使い方：%1", u"사용법: %1", u"Usage: %1"}};
const TextTable::Row orLine = {{u"  或：%1", u"  或：%1", u"  または：%1", u"  또는: %1", u"  or:  %1"}};
const TextTable::Row operands = {{u"[开关]... [文件|文件夹]...", u"[開關]... [檔案|資料夾]...", u"[スイッチ]... [ファイル|フォルダー]...",
    u"[스위치]... [파일|폴더]...", u"[SWITCH]... [FILE|FOLDER]..."}};
const TextTable::Row summary = {{u"把图片（JPG、JPEG、PNG、BMP、GIF、TIF、TIFF）的画布按尺寸规则补齐：4 的倍数、偶数、2 的幂、任意倍数、"
    u"正方形或最小尺寸。新增的边用透明、白色、黑色或任意颜色填充，或延伸、镜像图片的边缘；不缩放、不裁切任何像素。"
    u"每个结果先写入目标旁的临时文件，读回并校验后才改名替换目标。",
    u"把圖片（JPG、JPEG、PNG、BMP、GIF、TIF、TIFF）的畫布依尺寸規則補齊：4 的倍數、偶數、2 的冪、任意倍數、"
    u"正方形或最小尺寸。新增的邊以透明、白色、黑色或任意顏色填滿，或延伸、鏡像圖片的邊緣；不縮放、不裁切任何像素。"
    u"每個結果先寫入目標旁的暫存檔，讀回並驗證後才更名取代目標。",
    u"画像（JPG、JPEG、PNG、BMP、GIF、TIF、TIFF）のキャンバスを、サイズ規則（4 の倍数、偶数、2 のべき乗、任意の"
    u"倍数、正方形、最小サイズ）に合う大きさまで広げます。新しい余白は透明、白、黒、任意の色で塗るか、画像の端を"
    u"延長または鏡像反転して埋め、画素の拡大縮小や切り取りは一切しません。結果はいったん出力先の隣の一時ファイルに"
    u"書き、読み戻して確かめてから出力先の名前に置き換えます。",
    u"이미지(JPG, JPEG, PNG, BMP, GIF, TIF, TIFF)의 캔버스를 크기 규칙(4의 배수, 짝수, 2의 거듭제곱, 임의의 배수, "
    u"정사각형, 최소 크기)에 맞게 넓힙니다. 새 여백은 투명, 흰색, 검은색 또는 임의의 색으로 채우거나 이미지 "
    u"가장자리를 늘이거나 반사해 채우며, 픽셀을 확대·축소하거나 잘라내지 않습니다. 모든 결과는 대상 옆의 임시 "
    u"파일에 먼저 쓰고, 다시 읽어 확인한 뒤에야 대상 이름으로 바꿉니다.",
    u"Pad pictures (JPG, JPEG, PNG, BMP, GIF, TIF, TIFF) to a sizing rule: a multiple of 4, an even size, a "
    u"power of two, any multiple, a square or a minimum size. The new border is filled transparent, white, black "
    u"or any colour, or extends or mirrors the picture's edges; no pixel is scaled or cropped. Every result is "
    u"written to a temporary file beside its destination, read back and checked, and only then renamed over it."}};
const TextTable::Row windowNote = {{u"不带 --headless 或 --self-test 时，打开批处理窗口，并列出命令行中指定的图片；指定文件夹则列出其中的图片。",
    u"未加 --headless 或 --self-test 時，開啟批次處理視窗，並列出命令列中指定的圖片；指定資料夾則列出其中的圖片。",
    u"--headless も --self-test も付けないと、一括処理ウィンドウが開き、コマンドラインで指定した画像が一覧に"
    u"並びます。フォルダーを指定すると、その中の画像が並びます。",
    u"--headless나 --self-test 없이 실행하면 일괄 처리 창이 열리고 명령줄에 지정한 이미지가 목록에 표시됩니다. "
    u"폴더를 지정하면 그 안의 이미지가 표시됩니다.",
    u"Without --headless or --self-test the batch window opens with the pictures named on the command line "
    u"listed; a folder contributes the pictures in it."}};
const TextTable::Row optionsHeading = {{u"选项：", u"選項：", u"オプション：", u"옵션:", u"Options:"}};
const TextTable::Row switchNote = {{u"开关名区分大小写。开关的取值即使看起来像开关也照样采用。窗口忽略未知开关并丢弃不存在的路径；--headless "
    u"拒绝未知开关，并把不存在的路径报告为已跳过。",
    u"開關名稱區分大小寫。開關的取值即使看來像開關也照樣採用。視窗忽略未知開關並捨棄不存在的路徑；--headless "
    u"拒絕未知開關，並把不存在的路徑回報為已略過。",
    u"スイッチ名は大文字と小文字を区別します。スイッチの値は、スイッチのように見えてもそのまま値として受け取り"
    u"ます。ウィンドウは未知のスイッチを無視し、存在しないパスを除きます。--headless は未知のスイッチを拒否し、"
    u"存在しないパスはスキップとして報告します。",
    u"스위치 이름은 대소문자를 구분합니다. 스위치의 값은 스위치처럼 보여도 그대로 값으로 받습니다. 창은 알 수 "
    u"없는 스위치를 무시하고 존재하지 않는 경로를 뺍니다. --headless는 알 수 없는 스위치를 거부하고 존재하지 "
    u"않는 경로는 건너뜀으로 보고합니다.",
    u"Switch names are case-sensitive. A switch's value is taken even when it looks like a switch. The window "
    u"ignores unknown switches and drops paths that do not exist; --headless refuses unknown switches and "
    u"reports missing paths as skipped."}};
const TextTable::Row exitHeading = {{u"退出状态：", u"結束狀態：", u"終了ステータス：", u"종료 상태:", u"Exit status:"}};
const TextTable::Row exit0 = {{u"窗口已关闭；--headless 时，至少一张图片已补齐或本已符合规则，且没有失败；自检通过",
    u"視窗已關閉；--headless 時，至少一張圖片已補齊或原本即符合規則，且沒有失敗；自我檢測通過",
    u"ウィンドウが閉じられた。--headless では、少なくとも 1 枚を補完したか既に規則どおりで、失敗がなかった。"
    u"自己テストに合格した",
    u"창이 닫혔습니다. --headless에서는 한 장 이상을 처리했거나 이미 규칙에 맞았고 실패가 없었습니다. 자체 "
    u"테스트를 통과했습니다",
    u"the window was closed; with --headless, at least one picture was padded or already fit and none failed; "
    u"the self-test passed"}};
const TextTable::Row exit1 = {{u"--headless 时，有图片失败，或所有路径都被略过；自检失败", u"--headless 時，有圖片失敗，或所有路徑都被略過；自我檢測失敗",
    u"--headless で失敗した画像があったか、すべてのパスが除かれた。自己テストに失敗した",
    u"--headless에서 실패한 이미지가 있거나 모든 경로가 제외되었습니다. 자체 테스트에 실패했습니다",
    u"with --headless, some pictures failed, or every path was left out; the self-test failed"}};
const TextTable::Row exit2 = {{u"--headless 时的用法错误：未知开关、取值错误或缺失、没有任何路径",
    u"--headless 時的用法錯誤：未知開關、取值錯誤或缺漏、沒有任何路徑",
    u"--headless での使い方の誤り：未知のスイッチ、不正な値や値の欠落、パスが 1 つもない",
    u"--headless에서의 사용법 오류: 알 수 없는 스위치, 잘못되었거나 빠진 값, 경로가 하나도 없음",
    u"with --headless, a usage error: an unknown switch, a bad or missing value, no path at all"}};
const TextTable::Row collisionNote = {{u"运行开始时尚不存在的输出，只在该位置仍然为空时才放入：若其间另一个进程已写出同名文件，该图片按冲突失败"
    u"处理。不指定输出目录时，失败报告写到 $XDG_DATA_HOME/Pictavo/Pictavo/reports/。",
    u"執行開始時尚不存在的輸出，只在該位置仍為空時才放入：若其間另一個行程已寫出同名檔案，該圖片以衝突失敗"
    u"處理。未指定輸出目錄時，失敗報告寫到 $XDG_DATA_HOME/Pictavo/Pictavo/reports/。",
    u"実行開始時に存在しなかった出力は、その場所がまだ空いている場合にだけ置きます。その間に別のプロセスが同じ"
    u"出力を書いていれば、その画像は衝突として失敗します。出力フォルダーを指定しないと、失敗レポートは "
    u"$XDG_DATA_HOME/Pictavo/Pictavo/reports/ に書きます。",
    u"실행 시작 때 없던 출력은 그 자리가 아직 비어 있을 때만 놓습니다. 그사이 다른 프로세스가 같은 출력을 "
    u"썼다면 그 이미지는 충돌로 실패합니다. 출력 폴더를 지정하지 않으면 실패 보고서는 "
    u"$XDG_DATA_HOME/Pictavo/Pictavo/reports/에 씁니다.",
    u"An output that did not exist when the run began is put in place only where still nothing is: when "
    u"another process wrote it meanwhile, that picture fails as a collision. Without an output folder the "
    u"failure report goes to $XDG_DATA_HOME/Pictavo/Pictavo/reports/."}};
const TextTable::Row examplesHeading = {{u"示例：", u"範例：", u"例：", u"예:", u"Examples:"}};

struct Entry
{
    const char *head; // a switch with its value, or an example's command
    TextTable::Row text;
};

const Entry options[] = {
    {"--rule RULE",
     {{u"尺寸规则，取值不区分大小写：multiple4、even、power2、multiple:N（N 为 2 到 4096）、square（两边都取较长边）、"
      u"square-power2（两边都取较长边的 2 的幂）、min:WxH（先至少达到 W×H）；各部分可用逗号组合，依次按最小尺寸、"
      u"正方形、倍数处理，如 min:512x512,power2（默认 multiple4；其他取值在窗口中按 multiple4 处理，--headless "
      u"拒绝并列出可用取值）",
      u"尺寸規則，取值不分大小寫：multiple4、even、power2、multiple:N（N 為 2 到 4096）、square（兩邊都取較長邊）、"
      u"square-power2（兩邊都取較長邊的 2 的冪）、min:WxH（先至少達到 W×H）；各部分可用逗號組合，依序按最小尺寸、"
      u"正方形、倍數處理，如 min:512x512,power2（預設 multiple4；其他取值在視窗中視為 multiple4，--headless "
      u"則拒絕並列出可用取值）",
      u"サイズ規則。値の大文字・小文字は区別しません：multiple4、even、power2、multiple:N（N は 2〜4096）、"
      u"square（両辺を長い辺にそろえる）、square-power2（両辺を長い辺の 2 のべき乗にする）、min:WxH（まず W×H "
      u"以上にする）。各部分はコンマで組み合わせられ、最小サイズ、正方形、倍数の順に適用します（例："
      u"min:512x512,power2）（既定は multiple4。ほかの値はウィンドウでは multiple4 として扱い、--headless "
      u"では拒否して使える値を示します）",
      u"크기 규칙. 값의 대소문자는 구분하지 않습니다: multiple4, even, power2, multiple:N(N은 2~4096), "
      u"square(두 변을 긴 변에 맞춤), square-power2(두 변을 긴 변의 2의 거듭제곱으로), min:WxH(먼저 W×H "
      u"이상으로). 각 부분은 쉼표로 조합하며 최소 크기, 정사각형, 배수 순으로 적용합니다(예: "
      u"min:512x512,power2)(기본값 multiple4. 그 밖의 값은 창에서는 multiple4로 처리하고 --headless에서는 "
      u"거부하며 쓸 수 있는 값을 알려 줍니다)",
      u"size rule, the value in any letter case: multiple4, even, power2, multiple:N (N from 2 to 4096), square "
      u"(both sides the longer one), square-power2 (both sides the power of two of the longer one), min:WxH (at "
      u"least WxH first); parts combine with commas and apply the minimum, the square, then the step, as in "
      u"min:512x512,power2 (default multiple4; the window takes any other value as multiple4, --headless refuses "
      u"it and lists the values it takes)"}}},
    {"--fill FILL",
     {{u"新边的填充：transparent、white、black、任意颜色 #RRGGBB 或 #RRGGBBAA、edge（每个边缘像素重复最近的图片像素）、"
      u"mirror（图片在边缘处镜像，边比图片宽时反复镜像）（默认 transparent；其他取值在窗口中按 transparent 处理，"
      u"--headless 拒绝并列出可用取值）",
      u"新邊的填滿：transparent、white、black、任意顏色 #RRGGBB 或 #RRGGBBAA、edge（每個邊緣像素重複最近的圖片像素）、"
      u"mirror（圖片在邊緣處鏡像，邊比圖片寬時反覆鏡像）（預設 transparent；其他取值在視窗中視為 transparent，"
      u"--headless 則拒絕並列出可用取值）",
      u"新しい余白の塗り方：transparent、white、black、任意の色 #RRGGBB または #RRGGBBAA、edge（余白の各ピクセルに"
      u"最も近い画像のピクセルを繰り返す）、mirror（画像を端で鏡像反転し、余白が画像より広ければ繰り返す）（既定は "
      u"transparent。ほかの値はウィンドウでは transparent として扱い、--headless では拒否して使える値を示します）",
      u"새 여백을 채우는 방식: transparent, white, black, 임의의 색 #RRGGBB 또는 #RRGGBBAA, edge(여백의 각 픽셀이 "
      u"가장 가까운 이미지 픽셀을 반복), mirror(이미지를 가장자리에서 반사하며, 여백이 이미지보다 넓으면 반복)"
      u"(기본값 transparent. 그 밖의 값은 창에서는 transparent로 처리하고 --headless에서는 거부하며 쓸 수 있는 "
      u"값을 알려 줍니다)",
      u"how the new border is filled: transparent, white, black, any colour #RRGGBB or #RRGGBBAA, edge (every "
      u"border pixel repeats the nearest picture pixel) or mirror (the picture reflected at its edges, again and "
      u"again where the border is wider) (default transparent; the window takes any other value as transparent, "
      u"--headless refuses it and lists the values it takes)"}}},
    {"--anchor POS",
     {{u"图片在新画布上的位置：top-left、top、top-right、left、center、right、bottom-left、bottom、bottom-right"
      u"（默认 center；居中的一边多出的一个像素放在右边或下边）",
      u"圖片在新畫布上的位置：top-left、top、top-right、left、center、right、bottom-left、bottom、bottom-right"
      u"（預設 center；置中的一邊多出的一個像素放在右邊或下邊）",
      u"新しいキャンバス上の画像の位置：top-left、top、top-right、left、center、right、bottom-left、bottom、"
      u"bottom-right（既定は center。中央にそろえる辺で 1 ピクセル余れば右または下に置きます）",
      u"새 캔버스에서 이미지의 위치: top-left, top, top-right, left, center, right, bottom-left, bottom, "
      u"bottom-right(기본값 center. 가운데 정렬하는 변에서 1픽셀이 남으면 오른쪽이나 아래쪽에 둡니다)",
      u"where the picture sits on the new canvas: top-left, top, top-right, left, center, right, bottom-left, "
      u"bottom or bottom-right (default center; a centred side puts an odd extra pixel right or at the bottom)"}}},
    {"--centered",
     {{u"与 --anchor center 相同（默认）", u"與 --anchor center 相同（預設）", u"--anchor center と同じです（既定）",
      u"--anchor center와 같습니다(기본값)", u"the same as --anchor center (the default)"}}},
    {"--no-centered",
     {{u"与 --anchor top-left 相同；--anchor、--centered 与 --no-centered 以最后出现的为准",
      u"與 --anchor top-left 相同；--anchor、--centered 與 --no-centered 以最後出現者為準",
      u"--anchor top-left と同じです。--anchor、--centered、--no-centered は最後に書いたものが有効です",
      u"--anchor top-left와 같습니다. --anchor, --centered, --no-centered 중 마지막에 쓴 것이 적용됩니다",
      u"the same as --anchor top-left; of --anchor, --centered and --no-centered the last one wins"}}},
    {"--png",
     {{u"所有结果都写成无损 PNG", u"所有結果都寫成無損 PNG", u"すべての結果をロスレス PNG で書き出します",
      u"모든 결과를 무손실 PNG로 씁니다", u"write every result as lossless PNG"}}},
    {"--recursive",
     {{u"文件夹包含其子文件夹（默认；--headless 时总是如此）", u"資料夾包含其子資料夾（預設；--headless 時一律如此）",
      u"フォルダーのサブフォルダーも含めます（既定。--headless では常に）",
      u"폴더의 하위 폴더도 포함합니다(기본값. --headless에서는 항상)",
      u"folders include their subfolders (the default; with --headless always)"}}},
    {"--output-dir DIR",
     {{u"写入 DIR，不存在时自动创建；不指定则每张图片原位置替换。来自所给文件夹的图片保留其在该文件夹下的路径"
      u"（a 中的 a/x/p.png 写到 DIR/x/p.png）；逐个给出的文件直接写到 DIR 中",
      u"寫入 DIR，不存在時自動建立；未指定則每張圖片於原位置取代。來自所給資料夾的圖片保留其在該資料夾下的路徑"
      u"（a 中的 a/x/p.png 寫到 DIR/x/p.png）；逐一給出的檔案直接寫到 DIR 中",
      u"DIR に書き出します（なければ作成）。指定しないと各画像を元の場所で置き換えます。指定したフォルダーの"
      u"画像はそのフォルダーからの相対パスを保ちます（a の a/x/p.png は DIR/x/p.png へ）。個別に指定した"
      u"ファイルは DIR の直下に書きます",
      u"DIR에 씁니다(없으면 만듭니다). 지정하지 않으면 모든 이미지를 원래 위치에서 교체합니다. 지정한 폴더의 "
      u"이미지는 그 폴더 아래의 경로를 유지합니다(a의 a/x/p.png는 DIR/x/p.png로). 하나씩 지정한 파일은 DIR "
      u"바로 아래에 씁니다",
      u"write into DIR, created when missing; without it every picture is replaced in place. A picture from a "
      u"folder given keeps its path below that folder (a/x/p.png from a goes to DIR/x/p.png); files given one "
      u"by one go to DIR itself"}}},
    {"--base DIR",
     {{u"DIR 下的每张图片在输出目录中保留其相对 DIR 的路径，逐个给出时也是如此（find | xargs 和 parallel "
      u"就是逐个传递的）",
      u"DIR 下的每張圖片在輸出目錄中保留其相對於 DIR 的路徑，逐一給出時亦然（find | xargs 與 parallel "
      u"即是逐一傳遞）",
      u"DIR の下の画像は、個別に指定しても（find | xargs や parallel はそう渡します）、出力フォルダーで DIR "
      u"からの相対パスを保ちます",
      u"DIR 아래의 모든 이미지는 하나씩 지정해도(find | xargs와 parallel은 그렇게 넘깁니다) 출력 폴더에서 "
      u"DIR 기준의 경로를 유지합니다",
      u"every picture under DIR keeps its path below DIR in the output folder, also when given one by one (as "
      u"find | xargs and parallel pass them)"}}},
    {"--start",
     {{u"窗口一出现就开始补齐", u"視窗一出現就開始補齊", u"ウィンドウが表示されたらすぐに処理を始めます",
      u"창이 나타나면 바로 처리를 시작합니다", u"start padding as soon as the window shows"}}},
    {"--files-from FILE",
     {{u"从 FILE 读取更多路径，每行一个", u"從 FILE 讀取更多路徑，每行一個", u"FILE からパスを読み足します（1 行に 1 つ）",
      u"FILE에서 경로를 더 읽습니다(한 줄에 하나)", u"take further paths from FILE, one per line"}}},
    {"--language CODE",
     {{u"窗口、日志、消息、报告和本帮助的语言：zh_CN、zh_TW、ja_JP、ko_KR 或 en_US。不指定时窗口使用 zh_CN，"
      u"--headless 和 --help 使用 LC_ALL、LC_MESSAGES 或 LANG 指定的语言，否则使用 en_US",
      u"視窗、記錄、訊息、報告與本說明的語言：zh_CN、zh_TW、ja_JP、ko_KR 或 en_US。未指定時視窗使用 zh_CN，"
      u"--headless 與 --help 使用 LC_ALL、LC_MESSAGES 或 LANG 所指的語言，否則使用 en_US",
      u"ウィンドウ、ログ、メッセージ、レポート、このヘルプの言語：zh_CN、zh_TW、ja_JP、ko_KR、en_US のいずれか。指定しないと"
      u"ウィンドウは zh_CN、--headless と --help は LC_ALL、LC_MESSAGES、LANG が示す言語（なければ en_US）を"
      u"使います",
      u"창, 로그, 메시지, 보고서, 이 도움말의 언어: zh_CN, zh_TW, ja_JP, ko_KR, en_US 중 하나. 지정하지 않으면 창은 "
      u"zh_CN을, --headless와 --help는 LC_ALL, LC_MESSAGES, LANG이 가리키는 언어(없으면 en_US)를 씁니다",
      u"language of the window, log, messages, report and this help: zh_CN, zh_TW, ja_JP, ko_KR or en_US. "
      u"Without it the window speaks zh_CN, and --headless and --help the language LC_ALL, LC_MESSAGES or LANG "
      u"names, else en_US"}}},
    {"--report-to NAME",
     {{u"同时把每个事件的一条记录（PROGRESS、ITEM、LOG、DONE）发送到完整路径为 NAME 的本地套接字，即工具窗口的"
      u"私有通道",
      u"同時把每個事件的一筆記錄（PROGRESS、ITEM、LOG、DONE）傳送到完整路徑為 NAME 的本機通訊端，即工具視窗的"
      u"私有通道",
      u"イベントごとの記録（PROGRESS、ITEM、LOG、DONE）を、フルパス NAME のローカルソケット（ツールウィンドウ"
      u"専用の通信路）にも送ります",
      u"이벤트마다 한 건의 기록(PROGRESS, ITEM, LOG, DONE)을 전체 경로가 NAME인 로컬 소켓(도구 창의 전용 "
      u"통로)에도 보냅니다",
      u"also send one record per event (PROGRESS, ITEM, LOG, DONE) to the local socket at the full path NAME, "
      u"the tool window's private channel"}}},
    {"--headless",
     {{u"不用窗口也不需要显示器进行补齐，每张图片一条记录，最后一条汇总，写到标准输出",
      u"不用視窗也不需要顯示器進行補齊，每張圖片一筆記錄，最後一筆彙總，寫到標準輸出",
      u"ウィンドウもディスプレイも使わずに処理し、画像ごとの記録と最後の集計を標準出力に書きます",
      u"창이나 디스플레이 없이 처리하고, 이미지마다 한 건의 기록과 마지막 요약을 표준 출력에 씁니다",
      u"pad without a window or display, writing one record per picture and a summary to standard output"}}},
    {"--jobs N",
     {{u"同时最多处理 N 张图片（默认每个核心一张），总用量不超过本机内存的一半",
      u"同時最多處理 N 張圖片（預設每個核心一張），總用量不超過本機記憶體的一半",
      u"同時に最大 N 枚を処理します（既定はコアごとに 1 枚）。使うメモリは本機の半分までです",
      u"동시에 최대 N장을 처리합니다(기본값: 코어당 한 장). 메모리는 이 컴퓨터의 절반까지만 씁니다",
      u"pad up to N pictures at a time (default: one per core), within half the machine's memory"}}},
    {"--no-trash",
     {{u"原位置替换时不把原图放入回收站：原图被直接替换，无法恢复（默认先放入回收站，可以撤销）",
      u"原位置取代時不把原圖放入資源回收筒：原圖會被直接取代，無法復原（預設先放入資源回收筒，可以復原）",
      u"元の場所で置き換えるとき、元の画像をごみ箱に移しません。元の画像はそのまま置き換えられ、元に戻せません"
      u"（既定ではまずごみ箱に移し、元に戻せます）",
      u"원래 위치에서 교체할 때 원본을 휴지통으로 옮기지 않습니다. 원본은 바로 교체되어 복구할 수 없습니다"
      u"(기본값은 먼저 휴지통으로 옮겨 되돌릴 수 있음)",
      u"in place, do not keep the originals in the trash: they are replaced for good (by default each goes to "
      u"the trash first and the run can be undone)"}}},
    {"--undo-last",
     {{u"撤销上次原位置处理，不打开窗口：把原图从回收站放回原处，删除那次写入的图片，处理后被改动过的文件保持不动"
      u"并在标准错误中列出；全部恢复时退出状态为 0，否则为 1",
      u"復原上次原位置處理，不開啟視窗：把原圖從資源回收筒放回原處，刪除那次寫入的圖片，處理後被修改過的檔案保持"
      u"不變並在標準錯誤中列出；全部還原時結束狀態為 0，否則為 1",
      u"前回の元の場所での処理を、ウィンドウを開かずに元に戻します。元の画像をごみ箱から戻し、その処理で書いた画像を"
      u"削除します。処理後に変更されたファイルはそのままにして標準エラーに示します。すべて戻せたら終了ステータス 0、"
      u"そうでなければ 1",
      u"지난 원래 위치 처리를 창 없이 되돌립니다. 원본을 휴지통에서 원래 자리로 옮기고 그 처리에서 쓴 이미지를 "
      u"삭제합니다. 처리 후 변경된 파일은 그대로 두고 표준 오류에 표시합니다. 모두 복원하면 종료 상태 0, 아니면 1",
      u"undo the last in-place run without a window: put the originals back from the trash and remove the "
      u"pictures it wrote; files changed since are left alone and named on standard error; exit status 0 when "
      u"everything was put back, else 1"}}},
    {"--self-test",
     {{u"检查补齐引擎，在程序旁写出 exe_self_test.txt 后退出", u"檢查補齊引擎，在程式旁寫出 exe_self_test.txt 後結束",
      u"補完エンジンを検査し、プログラムの隣に exe_self_test.txt を書いて終了します",
      u"여백 엔진을 검사하고 프로그램 옆에 exe_self_test.txt를 쓴 뒤 종료합니다",
      u"check the padding engine, write exe_self_test.txt beside the program and exit"}}},
    {"--smoke-test",
     {{u"半秒后关闭窗口", u"半秒後關閉視窗", u"0.5 秒後にウィンドウを閉じます", u"0.5초 뒤에 창을 닫습니다",
      u"close the window after half a second"}}},
    {"--help",
     {{u"显示本帮助并退出", u"顯示本說明並結束", u"このヘルプを表示して終了します", u"이 도움말을 표시하고 종료합니다",
      u"show this help and exit"}}},
};

const Entry examples[] = {
    {"quadrix --rule power2 --fill black --png --output-dir ~/out --start ~/pictures",
     {{u"在窗口中把 ~/pictures 下的每张图片补齐到 2 的幂，边为黑色，以 PNG 写到 ~/out",
      u"在視窗中把 ~/pictures 下的每張圖片補齊到 2 的冪，邊為黑色，以 PNG 寫到 ~/out",
      u"ウィンドウで ~/pictures の下のすべての画像を黒い余白で 2 のべき乗に広げ、PNG で ~/out に書き出します",
      u"창에서 ~/pictures 아래의 모든 이미지를 검은 여백으로 2의 거듭제곱 크기로 넓혀 PNG로 ~/out에 씁니다",
      u"pad every picture under ~/pictures to a power of two with a black border, as PNG into ~/out, in the "
      u"window"}}},
    {"find ~/pictures -name '*.png' -print0 | xargs -0 quadrix --headless --base ~/pictures --output-dir ~/out",
     {{u"不用窗口，把找到的 PNG 文件以透明边补齐到 4 的倍数，按相同的目录结构写到 ~/out 下",
      u"不用視窗，把找到的 PNG 檔案以透明邊補齊到 4 的倍數，依相同的目錄結構寫到 ~/out 下",
      u"ウィンドウなしで、見つかった PNG ファイルを透明な余白で 4 の倍数に広げ、同じフォルダー構成で ~/out の下に"
      u"書き出します",
      u"창 없이, 찾은 PNG 파일을 투명 여백으로 4의 배수 크기로 넓혀 같은 폴더 구조로 ~/out 아래에 씁니다",
      u"pad the PNG files found to a multiple of 4 with a transparent border into the same tree under ~/out, "
      u"without a window"}}},
    {"quadrix --headless --rule square-power2 --fill edge --anchor top-left --output-dir ~/textures ~/assets",
     {{u"不用窗口，把 ~/assets 下的纹理补成 2 的幂的正方形，图片留在左上角，新边延伸边缘像素，免得滤波和多级纹理"
      u"混入外来的颜色",
      u"不用視窗，把 ~/assets 下的紋理補成 2 的冪的正方形，圖片留在左上角，新邊延伸邊緣像素，免得濾波和多級紋理"
      u"混入外來的顏色",
      u"ウィンドウなしで、~/assets の下のテクスチャを 2 のべき乗の正方形に広げます。画像は左上に置き、余白は端の"
      u"ピクセルを延長するので、フィルタリングやミップマップに余計な色が混ざりません",
      u"창 없이 ~/assets 아래의 텍스처를 2의 거듭제곱 정사각형으로 넓힙니다. 이미지는 왼쪽 위에 두고 여백은 "
      u"가장자리 픽셀을 늘여 채우므로 필터링이나 밉맵에 다른 색이 섞이지 않습니다",
      u"pad the textures under ~/assets to power-of-two squares with the picture at the top left, the border "
      u"extending the edge pixels so that filtering and mipmaps take in no foreign colour, without a window"}}},
    {"find /shared/pictures -type f -print0 | parallel -0 -X -S m1,m2 quadrix --headless --jobs 8 --base "
     "/shared/pictures --output-dir /shared/out",
     {{u"把一项大任务分给 m1 和 m2 两台机器", u"把一項大型工作分給 m1 與 m2 兩台機器",
      u"大きな処理を m1 と m2 の 2 台のマシンで分担します", u"큰 작업을 m1과 m2 두 컴퓨터에 나눕니다",
      u"share a large job between the machines m1 and m2"}}},
};

// Where the help is laid out: help2man reads the "Usage:" line, paragraphs,
// switches indented with their text from column 24, and "Heading:" sections.
constexpr int Width = 79;
constexpr int TextColumn = 24;

// Han, kana and full-width punctuation: two columns, and a line may break
// between any two of them. Hangul is two columns too but breaks at spaces.
bool isIdeographic(char16_t c)
{
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F)
            || (c >= 0xFF00 && c <= 0xFF60);
}

bool isHangul(char16_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0x3130 && c <= 0x318F);
}

int columns(QStringView text)
{
    int width = 0;
    for (const QChar c : text)
        width += isIdeographic(c.unicode()) || isHangul(c.unicode()) ? 2 : 1;
    return width;
}

// Punctuation that may not begin a line, and brackets that may not end one.
bool staysWithPrevious(char16_t c)
{
    return QStringView(u"，。、；：！？）」』…ー").contains(QChar(c));
}

bool staysWithNext(char16_t c)
{
    return QStringView(u"（「『").contains(QChar(c));
}

struct Unit
{
    QString text;
    bool spaceBefore = false;
};

// The text cut where a line may break: at spaces (dropped) and between
// ideographs, keeping closing punctuation with what it closes.
QList<Unit> units(const QString &text)
{
    QList<Unit> result;
    bool pendingSpace = false;
    bool previousIdeographic = false;
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (c == QLatin1Char(' ')) {
            pendingSpace = true;
            continue;
        }
        const bool ideographic = isIdeographic(code);
        const bool joins = !result.isEmpty() && !pendingSpace
                && ((!ideographic && !previousIdeographic) || staysWithPrevious(code)
                    || staysWithNext(result.last().text.back().unicode()));
        if (joins)
            result.last().text += c;
        else
            result.append(Unit{QString(c), pendingSpace && !result.isEmpty()});
        pendingSpace = false;
        previousIdeographic = ideographic;
    }
    return result;
}

// `text` filled into lines of at most Width columns, the first continuing a
// line already `firstColumn` wide, the others indented by `indent`. A unit
// wider than a line stands alone on its own.
QStringList wrap(const QString &text, int firstColumn, int indent)
{
    QStringList lines{QString()};
    int column = firstColumn;
    for (const Unit &unit : units(text)) {
        const bool lineEmpty = lines.last().isEmpty();
        const int needed = (unit.spaceBefore && !lineEmpty ? 1 : 0) + columns(unit.text);
        if (!lineEmpty && column + needed > Width) {
            lines.append(QString());
            column = indent;
        }
        if (unit.spaceBefore && !lines.last().isEmpty()) {
            lines.last() += QLatin1Char(' ');
            ++column;
        }
        if (lines.last().isEmpty() && lines.size() > 1)
            lines.last() = QString(indent, QLatin1Char(' '));
        lines.last() += unit.text;
        column += columns(unit.text);
    }
    return lines;
}

int languageColumn(const QString &language)
{
    static const QStringList codes{QStringLiteral("zh_CN"), QStringLiteral("zh_TW"), QStringLiteral("ja_JP"),
                                   QStringLiteral("ko_KR"), QStringLiteral("en_US")};
    const int column = int(codes.indexOf(language));
    return column >= 0 ? column : 4;
}

// A switch or example: its text from column 24, on the same line when the
// switch leaves room, else on the lines below.
QString entry(const QString &head, const QString &text)
{
    QString result = QStringLiteral("  ") + head;
    int column = 2 + columns(head);
    if (column + 2 > TextColumn) {
        result += QLatin1Char('\n');
        column = 0;
    }
    result += QString(TextColumn - column, QLatin1Char(' '));
    return result + wrap(text, TextColumn, TextColumn).join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace

const TextTable::Dictionary &quadrixUsageDictionary()
{
    static const TextTable::Dictionary dictionary = [] {
        TextTable::Dictionary built;
        for (const TextTable::Row *row : {&usageLine, &orLine, &operands, &summary, &windowNote, &optionsHeading,
                                          &switchNote, &exitHeading, &exit0, &exit1, &exit2, &collisionNote,
                                          &examplesHeading})
            TextTable::addRows(&built, row, 1);
        for (const Entry &entry : options)
            TextTable::addRows(&built, &entry.text, 1);
        for (const Entry &entry : examples)
            TextTable::addRows(&built, &entry.text, 1);
        return built;
    }();
    return dictionary;
}

QString quadrixUsage(const QString &language)
{
    const int column = languageColumn(language);
    const auto text = [column](const TextTable::Row &row) -> QString { return QString::fromUtf16(row.texts[column]); };
    const auto paragraph = [&text](const TextTable::Row &row) -> QString {
        return wrap(text(row), 0, 0).join(QLatin1Char('\n')) + QLatin1Char('\n');
    };
    const auto heading = [&text](const TextTable::Row &row) -> QString { return QLatin1Char('\n') + text(row) + QLatin1Char('\n'); };

    QString usage = text(usageLine).arg(QStringLiteral("quadrix ") + text(operands)) + QLatin1Char('\n')
            + text(orLine).arg(QStringLiteral("quadrix --headless ") + text(operands)) + QLatin1Char('\n')
            + text(orLine).arg(QStringLiteral("quadrix --undo-last")) + QLatin1Char('\n')
            + text(orLine).arg(QStringLiteral("quadrix --self-test")) + QLatin1Char('\n');
    usage += paragraph(summary) + QLatin1Char('\n') + paragraph(windowNote);
    usage += heading(optionsHeading);
    for (const Entry &option : options)
        usage += entry(QString::fromLatin1(option.head), text(option.text));
    usage += QLatin1Char('\n') + paragraph(switchNote);
    usage += heading(exitHeading);
    int code = 0;
    for (const TextTable::Row *exit : {&exit0, &exit1, &exit2})
        usage += QStringLiteral("  %1   ").arg(code++) + wrap(text(*exit), 6, 6).join(QLatin1Char('\n'))
                + QLatin1Char('\n');
    usage += QLatin1Char('\n') + paragraph(collisionNote);
    usage += heading(examplesHeading);
    for (const Entry &example : examples) {
        if (&example != &examples[0])
            usage += QLatin1Char('\n');
        usage += entry(QString::fromLatin1(example.head), text(example.text));
    }
    return usage;
}
