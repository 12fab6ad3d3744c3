#include "sample_payload.h"

#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "gbk.h"
#include "zip_format.h"
#include "zip_writer.h"

namespace payload {
namespace {

struct TextFile {
  std::string_view path;  // below the top folder
  Method method;
  std::string_view text;
};

// Text files are GBK with CRLF line ends, as the Chinese Windows programs reading them expect.
constexpr TextFile kTextFiles[] = {
    {"版本说明.txt", Method::kStored, R"(澄岚汽车用品销售工作系统
版本 3.2.0（样例安装包）
发布日期：2024年3月15日

本次更新：
1. 销售开单支持按车型筛选商品。
2. 库存盘点增加差异报表。
3. 修正会员积分在退货时未扣回的问题。
)"},
    {"安装说明.txt", Method::kDeflated, R"(安装说明

一、服务器
  1. 将“服务器”文件夹复制到作为服务器的电脑上。
  2. 按需修改 server.ini 中的端口和数据目录。
  3. 首次运行前，用“数据库\建表脚本.sql”和“数据库\初始数据.sql”建立数据库。

二、客户端
  1. 在每台收银或管理电脑上运行“澄岚汽车用品销售工作系统.exe”。
  2. 在“客户端\客户端配置.ini”中填写服务器地址。

三、注意事项
  · 请定期备份数据库，备份文件保存在“服务器\备份”文件夹。
  · 本样例安装包仅用于测试安装程序，不含真实业务数据。
)"},
    {"客户端/客户端配置.ini", Method::kDeflated, R"(; 客户端设置，修改后重新启动程序生效
[服务器]
地址=127.0.0.1
端口=8620
连接超时秒=15

[界面]
语言=zh-CN
每页行数=40
启动时显示公告=1

[收银]
默认付款方式=现金
允许负库存销售=0
小票份数=1
)"},
    {"客户端/打印模板/销售小票.txt", Method::kDeflated, R"([小票]
宽度毫米=80
标题=澄岚汽车用品
行1=单号：{单号}    日期：{日期}
行2=收银员：{收银员}
明细=商品名称,数量,单价,金额
合计=合计：{合计}元  实收：{实收}元  找零：{找零}元
页脚=谢谢惠顾，欢迎再次光临！
)"},
    {"客户端/打印模板/入库单.txt", Method::kDeflated, R"([入库单]
纸张=A4
标题=商品入库单
行1=单号：{单号}    供应商：{供应商}    日期：{日期}
明细=商品编号,商品名称,规格,数量,进价,金额
合计=合计金额：{合计}元
签字=经手人：________    仓管员：________
)"},
    {"客户端/打印模板/退货单.txt", Method::kDeflated, R"([退货单]
纸张=A5
标题=顾客退货单
行1=原销售单号：{原单号}    退货日期：{日期}
明细=商品名称,数量,退款金额
合计=退款合计：{合计}元
备注=退货商品须包装完好，凭小票办理。
)"},
    {"客户端/帮助/使用说明.txt", Method::kDeflated, R"(澄岚汽车用品销售工作系统 使用说明

一、登录
  启动程序后输入工号和密码。首次使用请用管理员账号登录，在“系统设置”中添加收银员。

二、销售开单
  1. 按 F2 新建销售单。
  2. 扫描条码或输入商品编号，也可以按 F3 查询商品。
  3. 顾客是会员时按 F4 输入会员卡号，系统自动计算折扣和积分。
  4. 按 F9 结账，选择付款方式并打印小票。

三、商品入库
  在“库存管理”中选择“入库”，录入供应商和商品明细后保存，库存数量随即增加。

四、库存盘点
  在“库存管理”中选择“盘点”，录入实盘数量，系统生成差异报表，审核后调整库存。

五、报表
  “报表中心”提供销售日报、销售月报、商品排行、库存预警和会员消费统计，均可导出为表格文件。
)"},
    {"客户端/帮助/常见问题.txt", Method::kDeflated, R"(常见问题

问：启动时提示“无法连接服务器”怎么办？
答：检查服务器电脑是否开机、服务是否运行，并核对“客户端配置.ini”中的地址和端口。

问：小票打印不全怎么办？
答：在“打印模板\销售小票.txt”中把宽度改为打印机纸宽（58 或 80 毫米）。

问：会员积分不对怎么办？
答：在“会员管理”中打开该会员的积分明细，核对每笔销售和退货记录。
)"},
    {"客户端/帮助/快捷键.txt", Method::kStored, R"(F1   帮助
F2   新建销售单
F3   商品查询
F4   会员查询
F5   刷新
F8   挂单
F9   结账
Esc  取消当前操作
)"},
    {"客户端/数据/商品分类.csv", Method::kDeflated, R"(编号,名称,上级编号
01,汽车美容,
0101,洗车液,01
0102,车蜡,01
0103,镀晶剂,01
02,汽车内饰,
0201,座垫,02
0202,脚垫,02
0203,方向盘套,02
03,汽车电子,
0301,行车记录仪,03
0302,车载充电器,03
0303,倒车雷达,03
04,养护用品,
0401,机油,04
0402,防冻液,04
0403,玻璃水,04
)"},
    {"客户端/数据/计量单位.csv", Method::kStored, R"(编号,名称
1,个
2,瓶
3,套
4,箱
5,升
)"},
    {"客户端/skin/default.ini", Method::kStored, R"([Window]
BackColor=#F4F6F8
AccentColor=#1F6FB2
FontName=宋体
FontSize=9
)"},
    {"服务器/server.ini", Method::kDeflated, R"(; 服务器设置
[服务]
监听端口=8620
最大连接数=50
数据目录=.\数据
日志目录=.\日志
备份目录=.\备份

[备份]
自动备份=1
备份时间=23:30
保留天数=30
)"},
    {"服务器/服务说明.txt", Method::kDeflated, R"(服务器程序以后台服务方式运行，开机自动启动。
数据文件保存在“数据”文件夹，运行日志按日期保存在“日志”文件夹。
自动备份在每天 server.ini 设定的时间进行，过期备份按“保留天数”自动清理。
更换服务器电脑时，先停止服务，再把整个“服务器”文件夹复制到新电脑。
)"},
    {"服务器/数据库/建表脚本.sql", Method::kDeflated, R"(-- 澄岚汽车用品销售工作系统 数据库结构
-- 商品资料
CREATE TABLE goods (
  code        VARCHAR(20) PRIMARY KEY,  -- 商品编号
  name        VARCHAR(100) NOT NULL,    -- 商品名称
  category    VARCHAR(10),              -- 分类编号
  unit        INT,                      -- 计量单位
  car_models  VARCHAR(200),             -- 适用车型
  cost_price  DECIMAL(12,2) DEFAULT 0,  -- 进价
  sale_price  DECIMAL(12,2) DEFAULT 0,  -- 售价
  stock       DECIMAL(12,2) DEFAULT 0   -- 库存数量
);

-- 会员
CREATE TABLE member (
  card_no     VARCHAR(20) PRIMARY KEY,  -- 会员卡号
  name        VARCHAR(50),              -- 姓名
  phone       VARCHAR(20),              -- 手机号
  plate_no    VARCHAR(20),              -- 车牌号
  discount    DECIMAL(4,2) DEFAULT 1,   -- 折扣
  points      INT DEFAULT 0             -- 积分
);

-- 销售单及明细
CREATE TABLE sale (
  sale_no     VARCHAR(20) PRIMARY KEY,  -- 单号
  sale_time   DATETIME NOT NULL,        -- 销售时间
  cashier     VARCHAR(20),              -- 收银员
  card_no     VARCHAR(20),              -- 会员卡号
  total       DECIMAL(12,2),            -- 合计
  paid        DECIMAL(12,2),            -- 实收
  pay_method  VARCHAR(10)               -- 付款方式
);
CREATE TABLE sale_item (
  sale_no     VARCHAR(20),              -- 单号
  line_no     INT,                      -- 行号
  goods_code  VARCHAR(20),              -- 商品编号
  quantity    DECIMAL(12,2),            -- 数量
  price       DECIMAL(12,2),            -- 单价
  PRIMARY KEY (sale_no, line_no)
);

-- 入库单
CREATE TABLE stock_in (
  in_no       VARCHAR(20) PRIMARY KEY,  -- 单号
  supplier    VARCHAR(100),             -- 供应商
  in_time     DATETIME NOT NULL,        -- 入库时间
  operator    VARCHAR(20)               -- 经手人
);
)"},
    {"服务器/数据库/初始数据.sql", Method::kDeflated, R"(-- 初始数据：计量单位、商品分类和管理员账号
INSERT INTO unit VALUES (1, '个'), (2, '瓶'), (3, '套'), (4, '箱'), (5, '升');
INSERT INTO category VALUES ('01', '汽车美容', NULL), ('02', '汽车内饰', NULL);
INSERT INTO category VALUES ('03', '汽车电子', NULL), ('04', '养护用品', NULL);
INSERT INTO operator VALUES ('0001', '管理员', '', 1);
INSERT INTO goods VALUES ('6901000000017', '高泡洗车液 2升', '0101', 2, '通用', 18.00, 32.00, 0);
INSERT INTO goods VALUES ('6901000000024', '棕榈车蜡', '0102', 1, '通用', 25.00, 58.00, 0);
INSERT INTO goods VALUES ('6901000000031', '冰丝座垫 五座', '0201', 3, '轿车', 120.00, 268.00, 0);
INSERT INTO goods VALUES ('6901000000048', '全包围脚垫', '0202', 3, '按车型定制', 150.00, 380.00, 0);
INSERT INTO goods VALUES ('6901000000055', '行车记录仪 双镜头', '0301', 1, '通用', 210.00, 399.00, 0);
INSERT INTO goods VALUES ('6901000000062', '全合成机油 4升', '0401', 2, '汽油车', 160.00, 298.00, 0);
INSERT INTO goods VALUES ('6901000000079', '玻璃水 零下25度', '0403', 2, '通用', 6.50, 15.00, 0);
)"},
    {"服务器/数据库/升级说明.txt", Method::kStored, R"(从 3.1 升级到 3.2：
1. 停止服务器服务并备份数据库。
2. 执行升级脚本后重新启动服务。
3. 各客户端首次连接时自动更新。
)"},
};

// Folders with no files in the sample; the application fills them at run time.
constexpr std::string_view kEmptyFolders[] = {"服务器/数据/", "服务器/日志/", "服务器/备份/"};

std::string WindowsText(std::string_view utf8) {
  std::string crlf;
  for (char c : utf8) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return Utf8ToGbk(crlf);
}

// A small 24-bit logo bitmap, so the tree also holds binary data.
std::string LogoBitmap() {
  constexpr std::uint32_t kWidth = 48, kHeight = 16, kRowSize = kWidth * 3;
  constexpr std::uint32_t kPixelOffset = 14 + 40;
  std::string bmp = "BM";
  zip::Put32(bmp, kPixelOffset + kRowSize * kHeight);
  zip::Put32(bmp, 0);
  zip::Put32(bmp, kPixelOffset);
  zip::Put32(bmp, 40);  // BITMAPINFOHEADER
  zip::Put32(bmp, kWidth);
  zip::Put32(bmp, kHeight);
  zip::Put16(bmp, 1);
  zip::Put16(bmp, 24);
  for (int i = 0; i < 6; ++i) zip::Put32(bmp, 0);
  for (std::uint32_t y = 0; y < kHeight; ++y) {
    for (std::uint32_t x = 0; x < kWidth; ++x) {
      bmp += static_cast<char>(0xb2 - x);      // blue
      bmp += static_cast<char>(0x6f + y * 4);  // green
      bmp += static_cast<char>(0x1f + x * 2);  // red
    }
  }
  return bmp;
}

class TreeWriter {
 public:
  explicit TreeWriter(ZipWriter& zip) : zip_(zip) {}

  void Folder(std::string_view utf8_path) {
    if (!done_.insert(std::string(utf8_path)).second) return;
    Parents(utf8_path);
    zip_.AddFolder(Utf8ToGbk(utf8_path));
  }

  void File(std::string_view utf8_path, std::string_view data, Method method) {
    Parents(utf8_path);
    zip_.AddFile(Utf8ToGbk(utf8_path), data, method);
  }

 private:
  // Every folder gets its own entry ahead of its contents.
  void Parents(std::string_view utf8_path) {
    std::string_view trimmed = utf8_path.substr(0, utf8_path.size() - 1);
    const auto slash = trimmed.rfind('/');
    if (slash != std::string_view::npos) Folder(utf8_path.substr(0, slash + 1));
  }

  ZipWriter& zip_;
  std::set<std::string> done_;
};

}  // namespace

void WriteSamplePayload(std::ostream& out, std::string_view main_program_exe,
                        std::string_view probe_exe, std::size_t padding) {
  ZipWriter zip(out, std::string(kPayloadPassword), kSampleTimestamp);
  TreeWriter tree(zip);
  const std::string top(kPayloadTopFolder);
  tree.Folder(top);
  tree.File(kMainProgramEntry, main_program_exe, Method::kDeflated);
  tree.File(kProbeEntry, probe_exe, Method::kStored);
  for (const TextFile& file : kTextFiles) {
    tree.File(top + std::string(file.path), WindowsText(file.text), file.method);
  }
  tree.File(top + "客户端/skin/logo.bmp", LogoBitmap(), Method::kStored);
  for (std::string_view folder : kEmptyFolders) tree.Folder(top + std::string(folder));
  if (padding > 0) {
    std::mt19937 generator(862);
    std::string data(padding, '\0');
    for (char& byte : data) byte = static_cast<char>(generator());
    tree.File(top + "服务器/data/history.dat", data, Method::kStored);
  }
  zip.Finish();
}

}  // namespace payload
