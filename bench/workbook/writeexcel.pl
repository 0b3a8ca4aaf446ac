# The peer writer for the benchmark: Spreadsheet::WriteExcel writes the same content as
# the library. Usage: perl writeexcel.pl numbers|texts FILE
use strict;
use warnings;
use Spreadsheet::WriteExcel;

my ($what, $file) = @ARGV;
my $book = Spreadsheet::WriteExcel->new($file) or die "cannot create $file\n";
my $sheet = $book->add_worksheet();
if ($what eq 'numbers') {
    for my $r (0 .. 3999) {
        for my $c (0 .. 249) { $sheet->write_number($r, $c, $r * 250 + $c + 0.5) }
    }
} else {
    for my $i (0 .. 199_999) {
        my $n = $i % 100_000;
        $sheet->write_string(int($i / 250), $i % 250, "text $n");
    }
}
$book->close();
