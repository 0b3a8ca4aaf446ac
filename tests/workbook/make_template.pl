# Writes a template book with Spreadsheet::WriteExcel for the template tests: a named
# cell, a merged title, a note, a picture, a defined name, a formula referring to another
# sheet, a hyperlink, a custom header and footer and print settings.
# Usage: perl make_template.pl FILE PICTURE.bmp
use strict;
use warnings;
use Spreadsheet::WriteExcel;

my ($file, $bmp) = @ARGV;
# A 4 x 4 picture, 24 bits per pixel, red and blue stripes.
open(my $fh, '>:raw', $bmp) or die "cannot create $bmp\n";
my $pixels = '';
for my $y (0 .. 3) { $pixels .= ($y % 2 ? "\xFF\x00\x00" : "\x00\x00\xFF") x 4 }
print $fh 'BM', pack('VvvV', 54 + length($pixels), 0, 0, 54),
    pack('VVVvvVVVVVV', 40, 4, 4, 1, 24, 0, length($pixels), 2835, 2835, 0, 0), $pixels;
close($fh);

my $book = Spreadsheet::WriteExcel->new($file) or die "cannot create $file\n";
my $form = $book->add_worksheet('Form');
my $data = $book->add_worksheet('Data');
my $bold = $book->add_format(bold => 1, align => 'center');
my $money = $book->add_format(num_format => '#,##0.00');

$form->merge_range('B1:D1', '**title', $bold);
$form->write_string(1, 0, 'Amount');
$form->write_string(1, 1, '**amount', $money);
$form->write_comment(1, 0, 'Amount in yen');
$form->insert_image('F2', $bmp);
$form->write_formula(3, 1, '=Data!A1*2');
$form->write_url(4, 0, 'http://example.com/', 'Example');
$form->set_column(0, 0, 18);
$form->set_row(1, 30);
$form->set_header('&LLeft head');
$form->set_footer('&RRight foot');
$form->center_horizontally();
$form->set_landscape();
$form->set_paper(9);
$form->set_h_pagebreaks(20);
$book->define_name('Rate', '=Form!$B$2');

$data->write_number(0, 0, 5);
$book->close();
